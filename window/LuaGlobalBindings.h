// Globals bound on an owner's behalf (a window's methods, say) and their reset when the owner
// dies. The state's registry keeps, under the owner's address, each name with the value bound
// to it; a reset puts nil in every such global that still holds that value, so a global rebound
// since by someone else stays.
#pragma once

struct lua_State;

// Notes the current value of the global name as bound for owner.
void RememberGlobalBinding(lua_State* L, const void* owner, const char* name);
// Resets the owner's globals that still hold their bound values and forgets them all.
void ResetGlobalBindings(lua_State* L, const void* owner);
