// The easing curves at several points, and a driver ended by its curve.
#include "AnimTestSupport.h"

#include <cmath>

TEST(Easing, CurvesAtSeveralPoints) {
  struct Row {
    const char* name;
    float at0, at25, at50, at75, at100;
  };
  const Row rows[] = {
      {"sin", 0.0f, 0.14644662f, 0.5f, 0.85355339f, 1.0f},
      {"sinIn", 0.0f, 0.07612047f, 0.29289323f, 0.61731654f, 1.0f},
      {"sinOut", 0.0f, 0.38268343f, 0.70710677f, 0.92387953f, 1.0f},
      {"powerIn", 0.0f, 0.015625f, 0.125f, 0.421875f, 1.0f},
      {"powerOut", 0.0f, 0.578125f, 0.875f, 0.984375f, 1.0f},
  };
  for (const Row& r : rows) {
    KAnimBias* b = KMakeEaseBias(r.name);
    ASSERT_NE(b, nullptr) << r.name;
    const float at[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const float want[] = {r.at0, r.at25, r.at50, r.at75, r.at100};
    for (int i = 0; i < 5; ++i)
      EXPECT_NEAR(b->Bias(at[i]), want[i], 1e-6f) << r.name << " " << at[i];
    KReleaseRef(b);
  }
  for (const char* other : {"Sin", "", "linear", "powerin"})
    EXPECT_EQ(KMakeEaseBias(other), nullptr) << other;
}

TEST_F(AnimTest, EasedProgressReachingOneEndsTheDriverEarly) {
  // A curve that overshoots to 1 before the time is up: 0.6 of the way is already 1.
  struct Steep : KAnimBias {
    float Bias(float t) override { return t >= 0.6f ? 1.0f : t; }
  };
  auto* timer = new KAnimTimer<>(1000);
  auto* steep = new Steep();
  timer->SetBias(steep);
  KReleaseRef(steep);
  auto* l = new CountingListener();
  timer->AddListener(l);
  timer->Start();
  Step(500);
  EXPECT_EQ(l->told, 0);
  Step(100);
  EXPECT_EQ(l->told, 1);
  KReleaseRef(timer);
  KReleaseRef(l);
}
