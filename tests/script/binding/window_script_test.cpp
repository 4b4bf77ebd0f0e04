#include <gtest/gtest.h>

#include "support/WindowOwnership.h"

#include "BindingTestSupport.h"
#include "script/binding/LuaBinding.h"
#include "script/binding/LuaWindowBinding.h"
#include "window/TButtonLuaAction.h"
#include "script/binding/TLuaMessage.h"
#include "script/binding/TLuaObjectWrapper.h"
#include "assets/FileLayer.h"
#include "window/TButton.h"
#include "window/TLayeredWindow.h"
#include "window/TModalWindow.h"
#include "window/TText.h"
#include "window/TWindowStyle.h"
#include "core/TSettings.h"

namespace {
std::string* gDebugSink = nullptr;
void CaptureDebugOut(str s) {
  if (gDebugSink) *gDebugSink += s.CStr();
}
}  // namespace

TEST_F(BindingTest, EveryLibraryGlobalIsAFunction) {
  static const char* const kNames[] = {
      // Bound natives.
      "PostCreate", "GetLabel", "_RegisterHotkey", "SetLabel", "TagHotKey", "_SetBitmap",
      "SetPosition", "SetCommand", "StripKeyFromLabel", "SetWindowName", "FillRect", "GetTimer",
      "GetConfig", "IsEnabled", "DoSelectLayer", "EnableWindow", "GetButtonToggleState",
      "SetButtonToggleState", "PopWindow", "RealSetFocus", "StringToClipboard", "UpdateWindow",
      "PushModal", "ClearModalChildren", "GetWindowDepth", "DoPopModal", "HandleGetMessage",
      "GenericCreate", "CreateNamedMessage", "CreateCloseMessage", "PostMessage",
      "PostMessageToParent", "_GetString", "StartMovie", "IsMoviePlaying", "StopMovie",
      "ImageLoaded", "DestroyWindow", "DoFitToChildren",
      // Every script state.
      "_ALERT", "DebugOut", "_Internal_DumpEntry", "_Internal_DumpTable", "DumpTable",
      // The window types.
      "Slider", "Bitmap", "Button", "Text", "TextEdit", "Window",
      // The Lua half.
      "Color", "FColor", "Push", "Pop", "DoWindow", "DoDialogCommand", "MakeDialog", "Creating",
      "SetBeginGroup", "BeginGroup", "GetTag", "SetDefaultStyle", "SetStyle", "AppendStyle",
      "SetFocus", "SetDefault", "DistributeX", "DistributeY", "WaitForCloseMessage", "DoModal",
      "DoMainWindow", "ModalReturn", "DisplaySplash", "FlushMessages", "WaitForMessage", "Yield",
      "ReadFile", "CloseWindow", "CustomCreator", "GetString", "SetBitmap", "PopModal",
      "SwapToModal", "DisplayDialog", "SelectLayer", "Group", "FitToChildren", "Pause", "SetState",
      "RegisterHotkey"};
  for (const char* name : kNames) {
    Run(std::string("gType = type(") + name + ")");
    EXPECT_EQ(Global("gType"), "function") << name;
  }
  Run("gType = type(_SCRIPT) gYield = tostring(Yield == coroutine.yield)");
  EXPECT_EQ(Global("gType"), "userdata");
  EXPECT_EQ(Global("gYield"), "true");
  Run("gTables = type(idtable)..type(gParent)..type(gCurrentDefaultStyle)..\n"
      "  type(gClosedWindows)..type(gCommandQueue)..type(gMessageQueue)..type(gDialogTable)");
  EXPECT_EQ(Global("gTables"), "tabletabletabletabletabletabletable");
  EXPECT_EQ(Number("gCurID"), 100);
  EXPECT_EQ(Number("kAllLayers"), -1);
  EXPECT_EQ(Number("kRadioButtonAlignment"), 4);
  EXPECT_EQ(Number("kCommandOnly"), 8);
  EXPECT_EQ(Global("kGameVersion"), "version");
  EXPECT_EQ(Global("kMaxLevel"), "maxlevel");
}

TEST_F(BindingTest, HotKeyLabelsHandleMultiByteCharacters) {
  struct Case {
    const char* call;
    const char* result;
  } cases[] = {
      {"gR = table.concat({StripKeyFromLabel('Sa&ve')}, '|')", "Save|@v"},
      {"gR = table.concat({StripKeyFromLabel('&\xC3\x89t\xC3\xA9')}, '|')", "\xC3\x89t\xC3\xA9|"},
      {"gR = table.concat({StripKeyFromLabel('End&')}, '|')", "End|"},
      {"gR = TagHotKey('\xC3\xA9', 'Caf\xC3\xA9', '')", "Caf<u>\xC3\xA9</u>"},
      {"gR = TagHotKey('@v', 'Save and save', '')", "Sa<u>v</u>e and save"},
      {"gR = TagHotKey('@z', 'Save', '')", "Save"},
  };
  for (const Case& c : cases) {
    Run(c.call);
    EXPECT_EQ(Global("gR"), c.result) << c.call;
  }
}

TEST_F(BindingTest, ConfigGlobalsReadTheSettings) {
  SetConfig("gamename", "Demo");
  SetConfig("bindingflag", "1");
  Run("gG = GetConfig(kGameName, 'none') gM = GetConfig('bindingmissing', 'fallback')\n"
      "gOn = tostring(IsEnabled('bindingflag')) gOff = tostring(IsEnabled('bindingmissing'))");
  EXPECT_EQ(Global("gG"), "Demo");
  EXPECT_EQ(Global("gM"), "fallback");
  EXPECT_EQ(Global("gOn"), "true");
  EXPECT_EQ(Global("gOff"), "false");
  ClearConfig();
}

TEST_F(BindingTest, CloseMessagesNameTheContextAndOnlyMessagesArePosted) {
  TWindow* context = mHost->GetContextWindow();
  ASSERT_NE(context, nullptr);
  Run("local m = CreateCloseMessage() gT = m.type gN = m.name");
  EXPECT_EQ(Number("gT"), kCloseWindow);
  EXPECT_EQ(Global("gN"), context->GetIdString().CStr());
  Run("PostMessage('text') PostMessage(nil) PostMessageToParent({}) PostMessage(12)");
  EXPECT_EQ(mManager->GetQueuedMessageCount(), 0u);
  Run("PostMessageToParent(CreateNamedMessage(kUserMessageBase, 'up'))");
  EXPECT_EQ(mManager->GetQueuedMessageCount(), 1u);
}

TEST_F(BindingTest, StartUpChunkDefinesConstantsAndHelpers) {
  EXPECT_EQ(Number("kSliderPageDown"), 12);
  EXPECT_EQ(Number("kUserMessageBase"), 1000);
  EXPECT_EQ(Number("kPushButtonAlignment"), 5);
  EXPECT_EQ(Global("kHiscoreAnonymous"), "hiscoreanon");
  Run("local c = Color(255, 0, 0) gC = c[1]..','..c[2]..','..c[3]..','..c[4]");
  EXPECT_EQ(Global("gC"), "1,0,0,1");
  Run("gA, gB = StripKeyFromLabel('&Save') gC, gD = StripKeyFromLabel('Plain')");
  EXPECT_EQ(Global("gA"), "Save");
  EXPECT_EQ(Global("gB"), "@S");
  EXPECT_EQ(Global("gC"), "Plain");
  EXPECT_EQ(Global("gD"), "");
  Run("gT = TagHotKey('@S', 'Save', '') gU = TagHotKey('', 'Save', '') gV = GetString('#raw')");
  EXPECT_EQ(Global("gT"), "<u>S</u>ave");
  EXPECT_EQ(Global("gU"), "Save");
  EXPECT_EQ(Global("gV"), "raw");
  std::string debug;
  gDebugSink = &debug;
  BindFunction(L, "DebugOut", &CaptureDebugOut);
  Run("local r = DisplayDialog({''}) gR = tostring(r)");
  gDebugSink = nullptr;
  EXPECT_EQ(Global("gR"), "nil");
  EXPECT_EQ(debug, "DisplayDialog called with empty script; aborting");
  EXPECT_EQ(mManager->GetTopModal(), mScreen);
}

TEST_F(BindingTest, SplashWhoseImageDoesNotLoadEndsAndTakesItsModal) {
  Run("return function() DisplaySplash(nil, 'no_such_image.png', 5000) gDone = 1 end");
  ASSERT_EQ(mManager->GetTopModal()->GetName(), str("DisplaySplash"));
  for (int i = 0; i < 4 && Number("gDone") == 0; ++i) {
    Advance(50);
    Tick();
  }
  EXPECT_EQ(Number("gDone"), 1) << Log();
  EXPECT_EQ(mManager->GetTopModal(), mScreen);
}

TEST_F(BindingTest, LayoutTablesBuildWindowTreesWithInheritedStyles) {
  Run("PushModal('menu')\n"
      "SetDefaultStyle({ w = 200, h = 50, label = 'default' })\n"
      "MakeDialog({ Window({ name = 'panel', x = kCenter, y = 10, w = 400, h = 300,"
      "  Text({ name = 'title' }),"
      "  AppendStyle({ label = 'child style' }),"
      "  Button({ name = 'ok', x = kMax - 210, y = 240, default = true,"
      "    Text({ name = 'label' }) }) }) })");
  TWindow* top = mManager->GetTopModal();
  ASSERT_NE(top, mScreen);
  EXPECT_EQ(top->GetName(), str("menu"));
  TWindow* panel = top->FindChild("panel", 1);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetRect().left, 200);
  EXPECT_EQ(panel->GetRect().top, 10);
  TWindow* title = panel->FindChild("title", 1);
  ASSERT_TRUE(title && title->IsKindOf(TText::GetClassId()));
  EXPECT_EQ(static_cast<TText*>(title)->GetText(), str("default"));
  EXPECT_EQ(title->GetWidth(), 200);
  TWindow* ok = panel->FindChild("ok", 1);
  ASSERT_TRUE(ok && ok->IsKindOf(TButton::GetClassId()));
  EXPECT_EQ(ok->GetRect().left, 400 - 210);
  EXPECT_TRUE(static_cast<TButton*>(ok)->GetButtonFlags() & kButtonDefault);
  // The appended style reached the windows built after it, through its parent link too.
  Run("gL = GetLabel('ok') gM = GetLabel('nothing') gN = GetLabel('panel')");
  EXPECT_EQ(Global("gL"), "child style");
  EXPECT_EQ(Global("gM"), "nothing_is_not_found");
  EXPECT_EQ(Global("gN"), "panel_is_not_a_TText_window_or_TButton");
  // The context went back to the modal after each window.
  EXPECT_EQ(mHost->GetContextWindow(), top);

  // An unknown type creates nothing, and DoWindow's pop then takes the parent's entry.
  size_t children = top->GetChildren().size();
  TWindow* extra = new TWindow();
  top->AddChild(Own(extra));
  ASSERT_TRUE(mHost->PushContextWindow(extra));
  Run("DoWindow({ typename = 'Nonesuch' })");
  EXPECT_EQ(top->GetChildren().size(), children + 1);
  EXPECT_EQ(mHost->GetContextWindow(), top);
}

TEST_F(BindingTest, RegisteringATypeAgainReplacesItsCreator) {
  struct Special : TWindow {
    T_WINDOW_CLASS(Special, TWindow)
  };
  mManager->RegisterWindowType("Button", &Special::Create);
  Run("PushModal('m') MakeDialog({ Button({ name = 'b' }) })");
  TWindow* b = mManager->GetTopModal()->FindChild("b", -1);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->IsKindOf(Special::GetClassId()));
}

TEST_F(BindingTest, MessagesQueueInArrivalOrderWhileNoCoroutineWaits) {
  mHost->HandleMessage(new TMessage(kUserMessageBase, "first"), nullptr);
  mHost->HandleMessage(new TMessage(kUserMessageBase + 1, "second"), nullptr);
  Run("gA = gMessageQueue[1].name..gMessageQueue[2].name gB = gMessageQueue[1].type "
      "gC = tostring(gMessageQueue[1].target) gN = table.getn(gCommandQueue)");
  EXPECT_EQ(Global("gA"), "firstsecond");
  EXPECT_EQ(Number("gB"), 1000);
  EXPECT_EQ(Global("gC"), "nil");
  EXPECT_EQ(Number("gN"), 0);
  // A command alone lands only in the command queue.
  Run("gF = function() gRan = 1 end");
  lua_pushstring(L, "gF");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TLuaFunction command(L);
  mHost->HandleMessage(nullptr, &command);
  Run("gN = table.getn(gCommandQueue) gM = table.getn(gMessageQueue)");
  EXPECT_EQ(Number("gN"), 1);
  EXPECT_EQ(Number("gM"), 2);
}

TEST_F(BindingTest, WaitingCoroutineTakesNewestQueuedFirstThenWakesOnMessagesAndTimeouts) {
  // Defined up front: Lua text run while the coroutine waits is handed to it as a command.
  Run("gCmd = function() return 'ran' end");
  Run("gLog = '' gTicks = 0\n"
      "return function()\n"
      "  table.insert(gMessageQueue, CreateNamedMessage(1001, 'a'))\n"
      "  table.insert(gMessageQueue, CreateNamedMessage(1002, 'b'))\n"
      "  gLog = gLog .. WaitForMessage().name .. WaitForMessage().name\n"
      "  local m = WaitForMessage()\n"
      "  while not m do gTicks = gTicks + 1 m = WaitForMessage() end\n"
      "  gLog = gLog .. '|' .. m.type .. ':' .. m.name\n"
      "  local t0 = GetTimer()\n"
      "  local timed = WaitForMessage(500)\n"
      "  gLog = gLog .. '|' .. tostring(timed) .. ':' .. (GetTimer() - t0)\n"
      "  local c repeat c = WaitForMessage() until c\n"
      "  gLog = gLog .. '|' .. c.type .. ':' .. c.name .. ':' .. tostring(gYieldResult)\n"
      "end");
  EXPECT_TRUE(mHost->IsYielded());
  EXPECT_EQ(Global("gLog"), "ba");
  EXPECT_EQ(mHost->GetWaitState(), TWindowScript::kWaitMessages);
  // A wait without a time-out is never due: only a message or a command wakes it.
  EXPECT_EQ(mHost->MsUntilDue(), TTask::kNoWake);
  Advance(5000);
  Tick();
  Tick();
  EXPECT_EQ(Number("gTicks"), 0);
  mHost->HandleMessage(new TMessage(1003, "posted"), nullptr);
  EXPECT_EQ(Global("gLog"), "ba|1003:posted");
  // The 500 ms wait is due at its deadline and ends on the virtual clock with no message.
  EXPECT_EQ(mHost->MsUntilDue(), 500u);
  Advance(499);
  EXPECT_EQ(mHost->MsUntilDue(), 1u);
  Tick();
  EXPECT_EQ(Global("gLog"), "ba|1003:posted");
  Advance(1);
  Tick();
  EXPECT_EQ(Global("gLog"), "ba|1003:posted|nil:500");
  EXPECT_EQ(mHost->MsUntilDue(), TTask::kNoWake);
  // Woken by a command alone: a kCommandOnly message and the command, which runs.
  lua_pushstring(L, "gCmd");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TLuaFunction command(L);
  mHost->HandleMessage(nullptr, &command);
  EXPECT_EQ(Global("gLog"), "ba|1003:posted|nil:500|8::ran") << Log();
  EXPECT_FALSE(mHost->IsYielded());
}

TEST_F(BindingTest, ACommandQueuedBeforeAWaitRunsOnTheNextPass) {
  // As a puzzle queues its round's end: the command waits in the queue, not for a message.
  Run("return function()\n"
      "  table.insert(gCommandQueue, function() gRan = GetTimer() end)\n"
      "  WaitForMessage()\n"
      "  WaitForMessage()\n"
      "end");
  EXPECT_EQ(mHost->MsUntilDue(), 0u);
  Tick();
  EXPECT_EQ(Number("gRan"), GetTimer());
  EXPECT_EQ(mHost->MsUntilDue(), TTask::kNoWake);
}

TEST_F(BindingTest, PostedScriptMessageComesBackAsTheSameUserdata) {
  Run("return function()\n"
      "  gSent = CreateNamedMessage(kUserMessageBase + 5, 'ping')\n"
      "  PostMessage(gSent)\n"
      "  PostMessage('not a message')\n"
      "  local m = WaitForMessage()\n"
      "  gSame = (m == gSent) and 'same' or 'other'\n"
      "end");
  Idle();  // delivers the posted message to the screen, which hands it to the scripts
  EXPECT_EQ(Global("gSame"), "same");
}

TEST_F(BindingTest, ScriptHeldMessageWhoseTargetDiedIsPostedWithoutIt) {
  // A native message for a window reaches Lua; the window dies; the script posts it again.
  TWindow* w = new TWindow();
  mScreen->AddChild(Own(w));
  PushLuaMessage(L, new TMessage(kUserMessageBase, "late", w));
  lua_pushstring(L, "gHeld");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  mScreen->RemoveChild(w);
  Run("PostMessage(gHeld)");
  ASSERT_EQ(mManager->GetQueuedMessageCount(), 1u);
  Idle();  // would read the dead window if the target had survived
  Run("gN = table.getn(gMessageQueue) gName = gMessageQueue[1].name");
  EXPECT_EQ(Number("gN"), 1);
  EXPECT_EQ(Global("gName"), "late");
}

TEST_F(BindingTest, ListenersAreOfferedTheScriptsOwnMessageNotItsCopy) {
  struct Scored : TMessage {
    Scored() : TMessage(kUserMessageBase + 7, "scored", nullptr) {}
    int points = 250;
  };
  struct Listener : TMessageListener {
    TMessage* seen = nullptr;
    bool OnMessage(TMessage* m) override {
      seen = m;
      return true;
    }
  };
  Scored* native = new Scored();
  PushLuaMessage(L, native);
  lua_pushstring(L, "gHeld");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  Listener* listener = new Listener();
  mManager->AddMessageListener(std::unique_ptr<TMessageListener>(listener));
  Run("PostMessage(gHeld)");
  Idle();
  // The copy a script post makes carries only id, name and target; the listener must get the
  // message that the script held, with its own fields.
  ASSERT_EQ(listener->seen, native);
  EXPECT_EQ(static_cast<Scored*>(listener->seen)->points, 250);
  mManager->RemoveMessageListener(listener);
}

TEST_F(BindingTest, ModalDialogClosesThroughItsCloseMessageAndReturnsTheValue) {
  std::filesystem::create_directories(mFolder / "assets");
  {
    std::ofstream(mFolder / "assets" / "dialog.lua")
        << "MakeDialog({ Button({ name = 'yes', close = true, x = 0, y = 0, w = 10, h = 10 }) })\n";
  }
  SetIndexedFile("assets/dialog.lua", (mFolder / "assets" / "dialog.lua").c_str());
  Run("return function() gResult = DoModal('dialog.lua') gDone = 1 end");
  TWindow* dialog = mManager->GetTopModal();
  ASSERT_EQ(dialog->GetName(), str("dialog.lua"));
  TWindow* yes = dialog->FindChild("yes", -1);
  ASSERT_TRUE(yes && yes->IsKindOf(TButton::GetClassId())) << Log();
  static_cast<TButton*>(yes)->OnClick();
  for (int i = 0; i < 4; ++i) Idle();
  EXPECT_EQ(mManager->GetTopModal(), mScreen);
  EXPECT_EQ(Number("gDone"), 1) << Log();
  EXPECT_EQ(Global("gResult"), "yes");
}

TEST_F(BindingTest, ADialogFileThatCannotBeReadTakesItsModalDownAgain) {
  std::filesystem::create_directories(mFolder / "assets");
  { std::ofstream(mFolder / "assets" / "broken.lua") << "MakeDialog({ = })\n"; }
  SetIndexedFile("assets/broken.lua", (mFolder / "assets" / "broken.lua").c_str());
  // Each opener fails in a command of its own; the script that ran them goes on.
  Run("return function()\n"
      "  RunCommand(function() DoModal('missing.lua') end)\n"
      "  RunCommand(function() DoModal('broken.lua') end)\n"
      "  RunCommand(function() DisplayDialog({ 'missing.lua' }) end)\n"
      "  RunCommand(function() DoMainWindow('broken.lua') end)\n"
      "  gAfter = 1\n"
      "end");
  for (int i = 0; i < 4; ++i) Idle();
  EXPECT_EQ(Number("gAfter"), 1) << Log();
  EXPECT_EQ(mManager->GetTopModal(), mScreen) << "no empty modal is left on top";
  // The errors name the line that opened the dialog, not the window library.
  EXPECT_NE(Log().find(":2: cannot read assets/missing.lua"), std::string::npos) << Log();
  EXPECT_NE(Log().find(":3: assets/broken.lua:1:"), std::string::npos) << Log();
  EXPECT_NE(Log().find(":5: assets/broken.lua:1:"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("gScreenInit\"]"), std::string::npos) << Log();
}

TEST_F(BindingTest, WindowMethodGlobalsAreClearedWhenTheirWindowDies) {
  struct Counter : TWindow {
    int Count() { return ++count; }
    int count = 0;
  };
  Counter* a = new Counter();
  BindWindowMethod(L, "CountA", a, &Counter::Count);
  Counter* b = new Counter();
  BindWindowMethod(L, "Shared", b, &Counter::Count);
  Counter* c = new Counter();
  BindWindowMethod(L, "Shared", c, &Counter::Count);  // the later binding wins
  Run("gX = CountA() + CountA() gY = Shared()");
  EXPECT_EQ(Number("gX"), 3);
  EXPECT_EQ(c->count, 1);
  delete a;
  delete b;  // "Shared" no longer points at b: it stays
  Run("gA = tostring(CountA) gS = type(Shared)");
  EXPECT_EQ(Global("gA"), "nil");
  EXPECT_EQ(Global("gS"), "function");
  delete c;
  Run("gS = type(Shared)");
  EXPECT_EQ(Global("gS"), "nil");
}

TEST_F(BindingTest, ContextStackPushesOnlyNewWindowsAndForgetsDestroyedOnes) {
  TWindow* w = new TWindow();
  mScreen->AddChild(Own(w));
  size_t depth = mHost->GetContextStack().size();
  EXPECT_TRUE(mHost->PushContextWindow(w));
  EXPECT_FALSE(mHost->PushContextWindow(w));
  EXPECT_FALSE(mHost->PushContextWindow(mScreen));  // already there from the root push
  mManager->RunScriptString(w, "SetWindowName('renamed')");
  EXPECT_EQ(w->GetName(), str("renamed"));
  EXPECT_EQ(mHost->GetContextStack().size(), depth + 1);
  mScreen->RemoveChild(w);
  EXPECT_EQ(mHost->GetContextStack().size(), depth);
  Run("PopWindow() PopWindow() PopWindow()");
  EXPECT_EQ(mHost->GetContextStack().size(), 1u);
}

TEST_F(BindingTest, SetTopModalOnlyDrawsJustTheTopModal) {
  struct Counted : TModalWindow {
    void Draw() override { ++draws; }
    int draws = 0;
  };
  Counted* lower = new Counted();
  Counted* upper = new Counted();
  mManager->PushModal(Own(lower));
  mManager->PushModal(Own(upper));
  Run("SetTopModalOnly(true)");
  mManager->DrawModals();
  EXPECT_EQ(lower->draws, 0);
  EXPECT_EQ(upper->draws, 1);
  Run("SetTopModalOnly(false)");
  mManager->DrawModals();
  EXPECT_EQ(lower->draws, 1);
  EXPECT_EQ(upper->draws, 2);
}

TEST_F(BindingTest, LibraryFunctionsActOnTheTopModalAndTheContextWindow) {
  Run("PushModal('m')\n"
      "MakeDialog({ Window({ name = 'box', x = 0, y = 0, w = 10, h = 10 }),\n"
      "  Button({ name = 'toggle', x = 0, y = 20, w = 10, h = 10, Text({ name = 'label', label = "
      "'Old', w = 10, h = 10 }) }) })");
  TWindow* top = mManager->GetTopModal();
  TWindow* box = top->FindChild("box", -1);
  ASSERT_NE(box, nullptr);
  Run("gFound = tostring(EnableWindow('box', false)) gMissing = tostring(EnableWindow('none', "
      "true))");
  EXPECT_EQ(Global("gFound"), "true");
  EXPECT_EQ(Global("gMissing"), "false");
  EXPECT_FALSE(box->GetFlags() & kWindowShown);
  Run("SetButtonToggleState('toggle', true) gOn = tostring(GetButtonToggleState('toggle'))");
  EXPECT_EQ(Global("gOn"), "true");
  Run("SetLabel('toggle', 'New') gL = GetLabel('toggle')");
  EXPECT_EQ(Global("gL"), "New");
  Run("SetPosition('box', kCenter, 5)");
  EXPECT_EQ(box->GetRect().left, 400 - 5);
  EXPECT_EQ(box->GetRect().top, 5);
  Run("gD = GetWindowDepth()");
  EXPECT_EQ(Number("gD"), 2);
  Run("RealSetFocus('box')");
  EXPECT_EQ(mManager->GetFocus(), box);
  Run("DestroyWindow('box')");
  EXPECT_EQ(top->FindChild("box", -1), nullptr);
  Idle();
  EXPECT_EQ(mManager->GetFocus(), nullptr);
  Run("DoFitToChildren()");
  EXPECT_EQ(top->GetWidth(), 800);
  Run("ClearModalChildren()");
  EXPECT_TRUE(top->GetChildren().empty());
  EXPECT_EQ(top->GetWidth(), 0);
  Run("DoPopModal('m')");
  EXPECT_EQ(mManager->GetTopModal(), mScreen);
}

TEST_F(BindingTest, ButtonCommandsReachTheScriptsWithTheButtonName) {
  Run("PushModal('m') MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "SetCommand('go', function() gPressed = GetButtonName() end)");
  TWindow* go = mManager->GetTopModal()->FindChild("go", -1);
  ASSERT_TRUE(go && go->IsKindOf(TButton::GetClassId()));
  static_cast<TButton*>(go)->OnClick();
  // No coroutine waits: the command and its message are queued for the scripts.
  Run("gN = table.getn(gCommandQueue) gM = gMessageQueue[1].name gT = gMessageQueue[1].type");
  EXPECT_EQ(Number("gN"), 1);
  EXPECT_EQ(Global("gM"), "LuaAction:go");
  EXPECT_EQ(Number("gT"), kCommandOnly);
  Run("gCommandQueue[1]()");
  EXPECT_EQ(Global("gPressed"), "go");
  // Names that long brackets cannot hold arrive whole and run nothing.
  for (const char* name : {"a]]gHacked=1--", "end]", "q\"\\[["}) {
    go->SetName(name);
    static_cast<TButton*>(go)->OnClick();
    Run("gName = GetButtonName()");
    EXPECT_EQ(Global("gName"), name);
    Run("gName = nil");
  }
  EXPECT_EQ(Number("gHacked"), 0);
}

TEST_F(BindingTest, APressWakesTheWaitingScriptOnlyWithItsMessages) {
  Run("PushModal('m') MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "SetCommand('go', function() gPressed = GetButtonName() end)");
  TWindow* go = mManager->GetTopModal()->FindChild("go", -1);
  ASSERT_TRUE(go && go->IsKindOf(TButton::GetClassId()));
  // A script that waits for messages with no time-out sees only messages.
  Run("gSeen = ''\n"
      "return function() repeat\n"
      "  gM = WaitForMessage() gSeen = gSeen .. (gM and gM.type or 'nil') .. ' '\n"
      "until gM and gM.type == kButtonPress end");
  static_cast<TButton*>(go)->OnClick();
  for (int i = 0; i < 3; ++i) Idle();
  EXPECT_EQ(Global("gPressed"), "go");
  EXPECT_EQ(Global("gSeen"), "8 3 ");
  EXPECT_FALSE(mHost->IsYielded()) << "the loop ended on the press";
  // Names that long brackets could not hold arrive whole.
  Run("gPressed = nil");
  go->SetName("a]]b\n");
  static_cast<TButton*>(go)->OnClick();
  Run("gCommandQueue[1]()");
  EXPECT_EQ(Global("gPressed"), "a]]b\n");
}

TEST_F(BindingTest, LuaHalfBuildersAndConvertersGiveTheirValues) {
  struct Case {
    const char* code;
    const char* result;
  } cases[] = {
      {"gR = table.concat(Color(255, 51, 0, 102), ',')", "1,0.2,0,0.4"},
      {"gR = table.concat(FColor(0.5, 0.25, 1), ',')", "0.5,0.25,1,1"},
      {"gDialogHeight = 50 gR = table.concat(DistributeY(3), ',')", "12.5,25,37.5"},
      {"local t = {} BeginGroup()() DoWindow(t) gR = t.beginGroup .. gBeginGroup", "10"},
      {"local t = {} DoWindow(t) gR = t.beginGroup", "0"},
      {"function _SetState(k, v) gR = k .. '=' .. v end SetState(kPause, true)", "pause=1"},
      {"function _SetState(k, v) gR = k .. '=' .. v end SetState(kScore, 12)", "score=12"},
      {"gR = GetString('#x', 'a')", "x"},
      {"Push('a') Push('b') gR = gParent[1] .. gParent[2] Pop() gR = gR .. gParent[1] Pop()",
       "baa"},
      {"gR = tostring(SetDefault(1)() == nil and Creating('x', {}) == nil)", "true"},
      {"gA = {} SetStyle(gA)() gR = tostring(gCurrentDefaultStyle == gA) SetDefaultStyle({})",
       "true"},
  };
  for (const Case& c : cases) {
    Run(std::string("gR = 'not run' ") + c.code);
    EXPECT_EQ(Global("gR"), c.result) << c.code;
  }
  // Layers of the context window are chosen from layouts (a button of no known type keeps
  // the layer it was given).
  Run("PushModal('m') MakeDialog({ Button({ name = 'b', type = 5, x = 0, y = 0, w = 5, h = 5, "
      "SelectLayer(2) }) })");
  TWindow* b = mManager->GetTopModal()->FindChild("b", -1);
  ASSERT_TRUE(b && b->IsKindOf(TLayeredWindow::GetClassId()));
  EXPECT_EQ(static_cast<TLayeredWindow*>(b)->GetCurrentLayer(), 2u);
  EXPECT_EQ(Log().find("rror"), std::string::npos) << Log();
}

TEST_F(BindingTest, AButtonActionSurvivesScriptsThatReplaceIt) {
  // The press wakes the waiting script, which gives the button a new action: the running one
  // is deleted while it still delivers its command.
  Run("PushModal('m') MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "SetCommand('go', function() gRan = 1 end)\n"
      "gSteps = ''\n"
      "return function()\n"
      "  local m = WaitForMessage() gSteps = gSteps .. m.name\n"
      "  SetCommand('go', function() gRan = 2 end)\n"
      "end");
  TWindow* go = mManager->GetTopModal()->FindChild("go", -1);
  ASSERT_TRUE(go && go->IsKindOf(TButton::GetClassId()));
  TButton* button = static_cast<TButton*>(go);
  auto* action = static_cast<TButton::LuaAction*>(button->GetAction());
  ASSERT_NE(action, nullptr);
  action->Execute(button);
  EXPECT_NE(button->GetAction(), action);
  EXPECT_EQ(Global("gSteps"), "LuaAction:go") << Log();
  EXPECT_EQ(Number("gRan"), 1);
}

TEST_F(BindingTest, AFailedResumeIsLoggedAndLaterMessagesAreQueued) {
  Run("return function() local m = WaitForMessage() error('bad ' .. m.name) end");
  ASSERT_EQ(mHost->GetWaitState(), TWindowScript::kWaitMessages);
  EXPECT_TRUE(mHost->HandleMessage(new TMessage(kUserMessageBase, "wake"), nullptr));
  EXPECT_NE(Log().find("lua_resume ERROR: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("bad wake"), std::string::npos) << Log();
  EXPECT_EQ(mHost->GetWaitState(), TWindowScript::kWaitFailed);
  EXPECT_FALSE(mHost->IsYielded());
  EXPECT_TRUE(mHost->HandleMessage(new TMessage(kUserMessageBase, "later"), nullptr));
  Run("gN = table.getn(gMessageQueue) gName = gMessageQueue[1].name");
  EXPECT_EQ(Number("gN"), 1);
  EXPECT_EQ(Global("gName"), "later");
  EXPECT_FALSE(mHost->SetFlag(true));
  EXPECT_TRUE(mHost->SetFlag(false));
}

TEST_F(BindingTest, MissingArgumentsAreNilNotLeftoverValues) {
  // A second call finds the first call's argument still in the caller's register.
  Run("PushModal('m') local t = { typename = 'Window', name = 'twice' }\n"
      "GenericCreate(t) PopWindow() GenericCreate()\n"
      "MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "SetCommand('go', function() end) SetCommand('go')");
  TWindow* top = mManager->GetTopModal();
  EXPECT_EQ(top->GetChildren().size(), 2u);
  TWindow* go = top->FindChild("go", -1);
  ASSERT_TRUE(go && go->IsKindOf(TButton::GetClassId()));
  static_cast<TButton*>(go)->OnClick();
  Run("gC = type(gCommandQueue[1])");
  EXPECT_EQ(Global("gC"), "nil");
}

TEST_F(BindingTest, ASuspendedScriptThatWaitsForNoMessageRunsCommandsAtOnce) {
  Run("gF = function() gRan = (gRan or 0) + 1 end");
  lua_pushstring(L, "gF");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TLuaFunction command(L);
  Run("return function() Yield() gAfter = 1 end");
  ASSERT_TRUE(mHost->IsYielded());
  EXPECT_FALSE(mHost->HandleMessage(new TMessage(kUserMessageBase, "dropped"), &command));
  EXPECT_EQ(Number("gRan"), 1);
  EXPECT_EQ(Number("gAfter"), 0);
  Tick();
  EXPECT_EQ(Number("gAfter"), 1);
}

TEST_F(BindingTest, PauseEndsOnAKeyAndKeepsOtherMessages) {
  Run("return function() Pause(100, true) gDone = GetTimer() end");
  uint32_t start = GetTimer();
  mHost->HandleMessage(new TMessage(kUserMessageBase, "kept"), nullptr);
  Advance(10);
  mHost->HandleMessage(new TMessage(kPressAnyKey, "raw:A"), nullptr);
  EXPECT_EQ(Number("gDone"), start + 10);
  Run("gN = table.getn(gMessageQueue) gK = gMessageQueue[1].name");
  EXPECT_EQ(Number("gN"), 1);
  EXPECT_EQ(Global("gK"), "kept");
}

TEST_F(BindingTest, CallsMadeWhileTheCoroutineWaitsArriveAsAClosureOfSixArguments) {
  Run("function Collect(a, b, c, d, e, f, g) gArgs = table.getn({a, b, c, d, e, f, g}) .. "
      "tostring(g) end");
  Run("return function() local m, c = WaitForMessage() gMsg = tostring(m) end");
  lua_pushstring(L, "Collect");
  lua_gettable(L, LUA_GLOBALSINDEX);
  for (int i = 1; i <= 7; ++i) lua_pushnumber(L, i);
  EXPECT_EQ(mHost->RunFunction(7, 0), 0);
  EXPECT_EQ(Global("gArgs"), "6nil");
  EXPECT_EQ(Global("gMsg"), "nil");
}

// A command's waits are the waiting script's own: whatever number of values the command
// yields goes up unchanged, whatever resumes the script comes back to the command, and the
// command's result, or its error, ends it.
TEST_F(BindingTest, ACommandPassesItsWaitsThroughWithEveryValue) {
  Run("function Through(cmd)\n"
      "  local outer = coroutine.create(function() return 'result', RunCommand(cmd) end)\n"
      "  local log = ''\n"
      "  local function Note(ok, ...)\n"
      "    log = log .. '[' .. tostring(ok) .. ':' .. table.getn(arg)\n"
      "    for i = 1, table.getn(arg) do log = log .. ' ' .. tostring(arg[i]) end\n"
      "    log = log .. ']'\n"
      "  end\n"
      "  Note(coroutine.resume(outer))\n"
      "  Note(coroutine.resume(outer, 'a', 'b', 'c'))\n"
      "  Note(coroutine.resume(outer))\n"
      "  Note(coroutine.resume(outer, 'd'))\n"
      "  return log\n"
      "end\n"
      "gLog = Through(function()\n"
      "  local x, y, z = coroutine.yield(1, 2, 3)\n"
      "  coroutine.yield()\n"
      "  local w = coroutine.yield('one')\n"
      "  return x .. y .. z .. w\n"
      "end)\n"
      "gTwo = Through(function() coroutine.yield(nil, 2) return 'done' end)\n"
      "gError = Through(function() coroutine.yield(1) error('broken') end)\n");
  EXPECT_EQ(Global("gLog"), "[true:3 1 2 3][true:0][true:1 one][true:2 result abcd]");
  EXPECT_EQ(Global("gTwo"),
            "[true:2 nil 2][true:2 result done][false:1 cannot resume dead "
            "coroutine][false:1 cannot resume dead coroutine]");
  EXPECT_EQ(Global("gError").substr(0, 28), "[true:1 1][true:2 result nil");
  Run("local co = coroutine.create(function() end)\n"
      "gStep = tostring(_HostCommandStep(co)) .. tostring(_HostCommandStep(co))\n"
      "gNotThread = tostring(_HostCommandStep('x'))\n");
  EXPECT_EQ(Global("gStep"), "falsenil");
  EXPECT_EQ(Global("gNotThread"), "nil");
}

TEST_F(BindingTest, LuaHalfHelpersRunWithoutErrors) {
  std::filesystem::create_directories(mFolder / "assets");
  std::ofstream(mFolder / "assets" / "main.lua")
      << "MakeDialog({ Window({ name = 'inside', w = 5, h = 5 }) })\n";
  SetIndexedFile("assets/main.lua", (mFolder / "assets" / "main.lua").c_str());
  Run("gDialogWidth = 100\n"
      "local d = DistributeX(3) gDX = d[1] .. ',' .. d[3]\n"
      "SetDefaultStyle({ a = 'style', parent = { b = 'grand' } })\n"
      "gTag = GetTag({ c = 'own' }, 'c') .. GetTag({}, 'a') .. GetTag({}, 'b') .. "
      "tostring(GetTag({}, 'z'))");
  EXPECT_EQ(Global("gDX"), "25,75");
  EXPECT_EQ(Global("gTag"), "ownstylegrandnil");
  Run("return function()\n"
      "  host_id = PushModal('hk')\n"
      "  RegisterHotkey('ctrl-x', 'cut')\n"
      "  MakeDialog({ Group({ Window({ name = 'grouped', w = 4, h = 4 }) }), FitToChildren() })\n"
      "  FlushMessages()\n"
      "  gStage = 'flushed'\n"
      "  DisplaySplash(nil, nil, 100)\n"
      "  gStage = 'splash'\n"
      "  DoMainWindow('main.lua')\n"
      "  gStage = 'main done'\n"
      "end");
  TWindow* hk = nullptr;
  for (TWindow* m : mManager->GetModalStack())
    if (m->GetName() == str("hk")) hk = m;
  ASSERT_NE(hk, nullptr);
  EXPECT_EQ(static_cast<TModalWindow*>(hk)->GetHotKeys().count("ctrl-X"), 1u);
  EXPECT_NE(hk->FindChild("grouped", -1), nullptr);
  Advance(1);
  Tick();
  EXPECT_EQ(Global("gStage"), "splash") << Log();
  TWindow* main = mManager->GetTopModal();
  ASSERT_EQ(main->GetName(), str("main.lua"));
  EXPECT_NE(main->FindChild("inside", -1), nullptr);
  mManager->DoPopModal("main.lua");
  Idle();
  EXPECT_EQ(Global("gStage"), "main done") << Log();
  EXPECT_EQ(Log().find("rror"), std::string::npos) << Log();
}

TEST_F(BindingTest, ValuesHandedOverByACollectedThreadStayUsable) {
  // A native callee keeping what it was given, the way windows keep their style's values.
  struct Keeper {
    void Keep(TLuaTable* t) {
      table = new TLuaTable(*t);
      TWindowStyle style(t);
      done = style.GetFunction("onDone");
      sub = style.GetTable("sub");
    }
    TLuaTable* table = nullptr;
    TLuaFunction* done = nullptr;
    TLuaTable* sub = nullptr;
  } keeper;
  BindMethod(L, "Keep", &keeper, &Keeper::Keep);
  Run("PushModal('m') MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "gWeak = setmetatable({}, { __mode = 'v' })");
  Run("do local co = coroutine.create(function()\n"
      "  SetCommand('go', function() gPressed = 'coroutine' end)\n"
      "  PostMessage(CreateNamedMessage(kUserMessageBase, 'posted'))\n"
      "  PostMessageToParent(CreateNamedMessage(kUserMessageBase + 1, 'up'))\n"
      "  FillRect({ 0, 0, 1, 1 }, { 1, 1, 1, 1 })\n"
      "  MakeDialog({ Window({ name = 'made', x = 0, y = 0, w = 5, h = 5 }) })\n"
      "  Keep({ name = 'kept', onDone = function() gDone = 1 end, sub = { n = 7 } })\n"
      "end) coroutine.resume(co) gWeak[1] = co end");
  lua_setgcthreshold(L, 0);
  Run("gGone = tostring(gWeak[1] == nil)");  // also frees what FillRect's call adopted
  ASSERT_EQ(Global("gGone"), "true");

  TWindow* top = mManager->GetTopModal();
  EXPECT_NE(top->FindChild("made", -1), nullptr);
  TWindow* go = top->FindChild("go", -1);
  ASSERT_TRUE(go && go->IsKindOf(TButton::GetClassId()));
  static_cast<TButton*>(go)->OnClick();
  Run("local n = table.getn(gCommandQueue) gCommandQueue[n]()");
  EXPECT_EQ(Global("gPressed"), "coroutine");
  Idle();
  Run("gNames = '' for i = 1, table.getn(gMessageQueue) do\n"
      "  gNames = gNames .. gMessageQueue[i].name .. ',' end");
  EXPECT_NE(Global("gNames").find("posted,"), std::string::npos) << Global("gNames");
  EXPECT_NE(Global("gNames").find("up,"), std::string::npos) << Global("gNames");
  ASSERT_TRUE(keeper.table && keeper.done && keeper.sub);
  EXPECT_EQ(keeper.table->GetString("name", "gone"), str("kept"));
  EXPECT_EQ(keeper.sub->GetNumber("n", 0), 7);
  int top0 = lua_gettop(L);
  keeper.done->Call();
  lua_settop(L, top0);
  EXPECT_EQ(Number("gDone"), 1);
  delete keeper.table;
  delete keeper.done;
  delete keeper.sub;

  // The same through a thread script that is deleted before the press.
  TScript* thread = mHost->NewThread();
  thread->DoLuaString("SetCommand('go', function() gPressed = 'thread' end)");
  delete thread;
  lua_setgcthreshold(L, 0);
  static_cast<TButton*>(go)->OnClick();
  Run("local n = table.getn(gCommandQueue) gCommandQueue[n]()");
  EXPECT_EQ(Global("gPressed"), "thread");
}

TEST_F(BindingTest, ThreadScriptsWaitOnTheirOwnTimers) {
  uint32_t start = GetTimer();
  Run("return function() Pause(1000) gHostDone = GetTimer() end");
  TScript* timed = mHost->NewThread();
  timed->DoLuaString("return function() Pause(300) gThreadDone = GetTimer() end");
  // A scene script that waits for nothing but a message.
  TScript* idle = mHost->NewThread();
  idle->DoLuaString("return function() HandleGetMessage() gIdleWoke = 1 end");
  EXPECT_EQ(mHost->GetWaitState(), TWindowScript::kWaitMessages);
  auto tickAll = [&] {
    Tick();
    for (TScript* s : {timed, idle})
      if (s->Ready(0)) s->DoTask();
  };
  for (int ms = 0; ms < 1000; ms += 100) {
    Advance(100);
    tickAll();
  }
  EXPECT_EQ(Number("gThreadDone"), start + 300) << Log();
  EXPECT_EQ(Number("gHostDone"), start + 1000) << Log();
  EXPECT_EQ(Number("gIdleWoke"), 0);
  EXPECT_TRUE(idle->IsYielded());
  delete timed;
  delete idle;
}

TEST_F(BindingTest, BuildingWindowsOrRegisteringTypesDoesNotWakeTheWaitingScript) {
  Run("gWakes = 0 return function() while true do HandleGetMessage() gWakes = gWakes + 1 end end");
  ASSERT_TRUE(mHost->IsYielded());
  mManager->RegisterWindowType("Extra", &TWindow::Create);
  TScript* scene = mHost->NewThread();
  scene->DoLuaString(
      "PushModal('scene')\n"
      "MakeDialog({ Extra({ name = 'one', x = 0, y = 0, w = 30, h = 20 }),\n"
      "  Window({ name = 'two', x = 0, y = 0, w = 5, h = 5 }) })");
  delete scene;
  EXPECT_EQ(Number("gWakes"), 0) << Log();
  TWindow* top = mManager->GetTopModal();
  EXPECT_NE(top->FindChild("one", -1), nullptr);
  EXPECT_NE(top->FindChild("two", -1), nullptr);
  EXPECT_EQ(Number("gDialogWidth"), 5);
  EXPECT_EQ(mHost->GetWaitState(), TWindowScript::kWaitMessages);
  mHost->HandleMessage(new TMessage(kUserMessageBase, "real"), nullptr);
  EXPECT_EQ(Number("gWakes"), 1);
}

TEST_F(BindingTest, SetCommandRefusesValuesThatAreNotFunctionsAtTheCall) {
  Run("PushModal('m') MakeDialog({ Button({ name = 'go', x = 0, y = 0, w = 5, h = 5 }) })");
  for (const char* value : {"'text'", "12", "{}", "true"}) {
    Run(std::string("local ok ok, gErr = pcall(SetCommand, 'go', ") + value +
        ") gOk = tostring(ok)");
    EXPECT_EQ(Global("gOk"), "false") << value;
    EXPECT_NE(Global("gErr").find("bad argument #2"), std::string::npos) << Global("gErr");
    // Refused whether or not the button exists.
    Run(std::string("gOk = tostring(pcall(SetCommand, 'nobody', ") + value + "))");
    EXPECT_EQ(Global("gOk"), "false") << value;
  }
  Run("gA = tostring(pcall(SetCommand, 'go', nil)) gB = tostring(pcall(SetCommand, 'go')) "
      "gC = tostring(pcall(SetCommand, 'go', function() end))");
  EXPECT_EQ(Global("gA") + Global("gB") + Global("gC"), "truetruetrue");
}

TEST_F(BindingTest, PoppingTheTopModalRestartsTheUncoveredModalsClock) {
  TModalWindow* lower = new TModalWindow();
  TModalWindow* upper = new TModalWindow();
  mManager->PushModal(Own(lower));
  mManager->PushModal(Own(upper));
  ASSERT_TRUE(lower->GetClock().IsPaused());
  mManager->PopTopModal();
  EXPECT_FALSE(lower->GetClock().IsPaused());
}
