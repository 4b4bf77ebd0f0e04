#include "render/IRenderHost.h"

#include "core/TPlatform.h"
#include "core/TPlatformData.h"

IRenderHost* CurrentRenderHost() {
  TPlatform* p = TPlatform::Instance();
  return p && p->GetData() ? p->GetData()->mRenderHost : nullptr;
}
