// platform/: stand-ins for the operating-system services the program relies on
// (profile files, the executable's directory, file presence, the single-instance
// guard, the system language). Everything outside this folder stays portable.
#pragma once
#include "platform/AtomicWrite.h"
#include "platform/ExeDir.h"
#include "platform/FileExists.h"
#include "platform/InstanceGuard.h"
#include "platform/ProfileFile.h"
#include "platform/SystemLanguage.h"
#include "platform/UserDataDir.h"
#include "platform/WritableDir.h"
