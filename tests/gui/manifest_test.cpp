// The manifest embedded in brindlow.exe as the system's loader reads it: a manifest it cannot
// parse stops the program from starting at all, and a setting in the wrong namespace is
// silently ignored, so each is read back through the activation-context calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "afx/handles.h"
#include "tests/gui/driver.h"

namespace gui {
namespace {

using UniqueActCtx = afx::UniqueHandle<afx::InvalidEmptyTraits<&::ReleaseActCtx>>;

UniqueActCtx ProgramActivationContext() {
    const std::string path = ProgramPath();
    std::wstring widePath(path.size() + 1, L'\0');
    widePath.resize(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &widePath[0],
                                        static_cast<int>(widePath.size())) -
                    1);
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = widePath.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    return UniqueActCtx(CreateActCtxW(&request));
}

std::wstring Setting(HANDLE context, const wchar_t* schema, const wchar_t* name) {
    wchar_t value[128] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, schema, name, value, 128, &written)) return L"<none>";
    return value;
}

TEST(Manifest, AsksForTheUsersRightsTheSupportedWindowsAndPerMonitorDpi) {
    const UniqueActCtx context = ProgramActivationContext();
    ASSERT_TRUE(context) << "the loader rejects the manifest: error " << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, RunlevelInformationInActivationContext,
                             &runLevel, sizeof runLevel, nullptr));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, runLevel.RunLevel);
    EXPECT_EQ(0u, runLevel.UiAccess);

    // Newer systems add a field to each element, so the list is searched for the identifiers
    // rather than walked with this header's element size.
    std::vector<BYTE> buffer(4096);
    SIZE_T written = 0;
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, CompatibilityInformationInActivationContext,
                             buffer.data(), buffer.size(), &written));
    const auto* compatibility =
        reinterpret_cast<const ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION*>(buffer.data());
    EXPECT_EQ(5u, compatibility->ElementCount);
    const std::string list(reinterpret_cast<const char*>(buffer.data()), written);
    // Vista, 7, 8, 8.1, 10 and 11.
    const GUID wanted[] = {
        {0xe2011457, 0x1546, 0x43c5, {0xa5, 0xfe, 0x00, 0x8d, 0xee, 0xe3, 0xd3, 0xf0}},
        {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},
        {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},
        {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},
        {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},
    };
    for (const GUID& os : wanted)
        EXPECT_NE(std::string::npos,
                  list.find(std::string(reinterpret_cast<const char*>(&os), sizeof os)))
            << "no supportedOS " << std::hex << os.Data1;

    EXPECT_EQ(L"true",
              Setting(context.get(), L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                      L"dpiAware"));
    EXPECT_EQ(L"PerMonitorV2, System",
              Setting(context.get(), L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                      L"dpiAwareness"));
}

}  // namespace
}  // namespace gui
