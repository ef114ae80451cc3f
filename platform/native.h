#pragma once
// The one place that names the backend of this build.
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
namespace hush::platform {
using NativePlatform = win32::Win32Platform;
}
#else
#include "platform/linux/linux_platform.h"
namespace hush::platform {
using NativePlatform = linux_backend::LinuxPlatform;
}
#endif
