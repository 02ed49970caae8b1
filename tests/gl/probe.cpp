// Every pixel-probe case under tests/probe/ (see tools/probe/probe_case.h):
// small effects drawn into a float target by the real loader and the GL
// device, their pixels compared with what Direct3D 9 draws. One line per
// feature group says how many cases pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"
#include "tests/support/temp_folder.h"
#include "tools/probe/probe_case.h"

namespace {

struct Tally {
    int passed = 0;
    int total = 0;
    int known = 0;  // xfail cases that still fail
};

TEST(Probe, EveryCaseDrawsWhatDirect3D9Draws) {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    testing_support::CreateTestDevice(&d3d, &device);
    ASSERT_NE(device, nullptr) << GetPlatformErrorText();
    testing_support::TempFolder work;
    ASSERT_TRUE(work.Make("probe"));

    const char* source = std::getenv("FLOWFIELD_SOURCE_DIR");
    const auto cases = probe::FindCases(std::filesystem::path(source ? source : ".") / "tests/probe");
    EXPECT_GT(cases.size(), 0u);
    std::map<std::string, Tally> groups;
    for (const auto& path : cases) {
        probe::Case c;
        std::string error;
        if (!probe::ReadCase(path, &c, &error)) {
            ADD_FAILURE() << error;
            continue;
        }
        probe::Outcome o = probe::RunCase(device, c, work.Path());
        Tally& t = groups[c.group];
        ++t.total;
        if (o.passed) ++t.passed;
        if (!o.passed && !c.knownFailure.empty()) ++t.known;
        if (c.knownFailure.empty()) {
            EXPECT_TRUE(o.passed) << path.string() << "\n" << o.report;
        } else {
            EXPECT_FALSE(o.passed) << path.string() << " passes now: remove its xfail line";
        }
    }
    for (const auto& [group, t] : groups) {
        std::printf("probe %-16s %3d/%-3d%s\n", group.c_str(), t.passed, t.total,
                    t.known ? (" (" + std::to_string(t.known) + " known to fail)").c_str() : "");
    }
    device->Release();
    d3d->Release();
}

}  // namespace
