/* The interface of an add-on module (".hwmod"): plain C, so a module can be written in any
   language and built with any compiler that makes ELF shared objects. The module exports
     HwModuleHandler* CreateHandler(void);
     void DestroyHandler(HwModuleHandler* handler);
   with C linkage. The handler's first member points at a table of seven functions, each
   taking the handler first. A null entry behaves like a handler that has no opinion. */
#ifndef ONLINE_HWMODULE_H
#define ONLINE_HWMODULE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct HwModuleHandler HwModuleHandler;

typedef struct HwModuleHandlerTable {
  /* Never called by the game; the handler is released through DestroyHandler. */
  void (*Destroy)(HwModuleHandler* self);
  /* Nonzero consumes the event: later handlers do not see it. */
  int (*OnEvent)(HwModuleHandler* self, const char* key, const char* value);
  /* The answer for key; must stay valid until the call returns to the game. */
  const char* (*Query)(HwModuleHandler* self, const char* key, const char* defaultValue);
  int (*QueryRestartMode)(HwModuleHandler* self);
  int (*QueryJumpToMenu)(HwModuleHandler* self);
  int (*QueryMuteGame)(HwModuleHandler* self);
  int (*QueryHostPause)(HwModuleHandler* self);
} HwModuleHandlerTable;

struct HwModuleHandler {
  const HwModuleHandlerTable* table;
};

typedef HwModuleHandler* (*HwCreateHandlerFn)(void);
typedef void (*HwDestroyHandlerFn)(HwModuleHandler* handler);

#ifdef __cplusplus
}
#endif

#endif
