// Start-up beside a bare SDL program: the game from its exec to the first frame it presents,
// and idle_sdl_wait (SDL started, a window of the same size, one frame presented), each
// started RUNS times, the two taking turns so a busy spell on the machine falls on both. The
// first present is seen by present_probe, loaded into both programs alike, which writes its
// moment on the monotonic clock to a pipe; each figure is that moment less the one taken just
// before the program was started. Both run on the X display named by DISPLAY (a virtual one:
// `ninja bench_startup` starts the bench under xvfb-run), with the same environment.
// Target: the game's median at most 1.1 times the bare program's.
// Usage: startup_bench GAME SDL_PROGRAM PROBE_LIBRARY GAME_FOLDER [RUNS]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The descriptor number the probe writes to in the started program.
constexpr int kProbeFd = 200;

long long NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Ends the program: asked first (SDL makes a quit event of it), then made to.
void End(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Milliseconds from just before the start of argv to its first present; negative when it
// presented nothing within 30 s or did not start.
double TimeToFirstPresent(const std::vector<std::string>& args,
                          const std::vector<std::string>& env) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], kProbeFd);
  // What either prints (the sound library's complaints on a machine without sound) is not
  // the bench's.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid;
  const long long start = NowNs();
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return -1;
  }
  char line[64] = {};
  size_t got = 0;
  pollfd p{fds[0], POLLIN, 0};
  while (got < sizeof line - 1 && !std::memchr(line, '\n', got) && poll(&p, 1, 30000) > 0) {
    const ssize_t n = read(fds[0], line + got, sizeof line - 1 - got);
    if (n <= 0) break;
    got += size_t(n);
  }
  close(fds[0]);
  End(pid);
  if (!std::memchr(line, '\n', got)) return -1;
  return double(std::atoll(line) - start) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty()      ? 0
         : v.size() % 2 ? v[v.size() / 2]
                        : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr,
                 "usage: startup_bench GAME SDL_PROGRAM PROBE_LIBRARY GAME_FOLDER [RUNS]\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 10;
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "startup_bench: no DISPLAY (run it under xvfb-run)\n");
    return 2;
  }
  std::error_code ec;
  const std::string probe = fs::absolute(argv[3], ec).string();
  const std::string folder = fs::absolute(argv[4], ec).string();
  char pattern[] = "/tmp/startup_bench_XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string root = pattern;
  fs::create_directories(root + "/data", ec);
  // The environment of both: this one without the switches that would change how either
  // starts, a user folder of the bench's own, and the probe.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("ENGINE_HEADLESS=", 0) == 0 || v.rfind("LD_PRELOAD=", 0) == 0 ||
        v.rfind("XDG_DATA_HOME=", 0) == 0 || v.rfind("XDG_RUNTIME_DIR=", 0) == 0)
      continue;
    env.push_back(v);
  }
  env.push_back("XDG_DATA_HOME=" + root + "/data");
  env.push_back("XDG_RUNTIME_DIR=" + root);
  env.push_back("LD_PRELOAD=" + probe);
  env.push_back("STARTUP_PROBE_FD=" + std::to_string(kProbeFd));

  // The game opens its window full-screen on a first start; so does the bare program.
  const std::vector<std::string> game = {argv[1], "-wd=" + folder, "--multiple"};
  const std::vector<std::string> bare = {argv[2], "800", "600", "full"};
  // A start of each first, not counted: the files both read come from the cache from then on,
  // and the game's first start writes its player files.
  const double warmGame = TimeToFirstPresent(game, env), warmBare = TimeToFirstPresent(bare, env);
  if (warmGame < 0 || warmBare < 0) {
    std::fprintf(stderr, "startup_bench: %s presented no frame\n",
                 warmGame < 0 ? "the game" : "the SDL program");
    fs::remove_all(root, ec);
    return 1;
  }
  std::vector<double> times[2];
  for (int i = 0; i < runs; ++i)
    for (int k = 0; k < 2; ++k) {
      // Turns swap each round, so neither always follows the other.
      const int which = (i + k) % 2;
      const double ms = TimeToFirstPresent(which ? bare : game, env);
      if (ms >= 0) times[which].push_back(ms);
    }
  fs::remove_all(root, ec);
  double load[3] = {};
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = -1;
    std::fclose(f);
  }
  std::printf("exec to first frame presented, %d runs each, load average %.2f %.2f %.2f\n", runs,
              load[0], load[1], load[2]);
  const char* names[2] = {"game", "bare SDL program"};
  for (int k = 0; k < 2; ++k) {
    if (times[k].empty()) {
      std::printf("%-18s no run presented a frame\n", names[k]);
      continue;
    }
    std::printf("%-18s median %8.1f ms  best %8.1f ms  worst %8.1f ms  (%zu runs)\n", names[k],
                Median(times[k]), *std::min_element(times[k].begin(), times[k].end()),
                *std::max_element(times[k].begin(), times[k].end()), times[k].size());
  }
  if (!times[0].empty() && !times[1].empty())
    std::printf("game / bare SDL program: %.2f (median), %.2f (best) (target <= 1.10)\n",
                Median(times[0]) / Median(times[1]),
                *std::min_element(times[0].begin(), times[0].end()) /
                    *std::min_element(times[1].begin(), times[1].end()));
  return 0;
}
