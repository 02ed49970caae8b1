// ID3DXEffect on the recording device: pass states are applied in the pass
// and restored by End, programs are bound and deleted exactly once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fx/fx.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using testing_support::RecordingDevice;

namespace {

const char* const kTwoPasses =
    "float4 vs_main(float3 p : POSITION) : POSITION { return float4(p, 1.0); }\n"
    "float4 ps_main() : COLOR0 { return 1.0; }\n"
    "technique T {\n"
    "    pass A {\n"
    "        CullMode = CW;\n"
    "        AlphaBlendEnable = true;\n"
    "        VertexShader = compile vs_3_0 vs_main();\n"
    "        PixelShader = compile ps_3_0 ps_main();\n"
    "    }\n"
    "    pass B {\n"
    "        ZEnable = true;\n"
    "        VertexShader = compile vs_3_0 vs_main();\n"
    "        PixelShader = compile ps_2_0 ps_main();\n"
    "    }\n"
    "}\n";

class EffectState : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Make("effect_state"));
        path_ = temp_.Path() / "two_passes.fx";
        std::ofstream(path_) << kTwoPasses;
        ID3DXBuffer* errors = nullptr;
        ASSERT_EQ(D3DXCreateEffectFromFileA(&device_, path_.c_str(), nullptr, nullptr, 0, nullptr,
                                            &effect_, &errors),
                  S_OK)
            << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        EXPECT_EQ(errors, nullptr) << "nothing to say, so no buffer";
        device_.renderStates[D3DRS_CULLMODE] = D3DCULL_NONE;
        device_.renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
        device_.renderStates[D3DRS_ZENABLE] = D3DZB_FALSE;
        device_.log.Clear();
    }
    void TearDown() override {
        if (effect_) effect_->Release();
    }

    RecordingDevice device_;
    ID3DXEffect* effect_ = nullptr;
    testing_support::TempFolder temp_;
    fs::path path_;
};

TEST_F(EffectState, PassStatesHoldInThePassAndEndRestoresThem) {
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), S_OK);
    EXPECT_EQ(passes, 2u);

    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_NE(device_.boundProgram, 0u);
    EXPECT_EQ(device_.renderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_CW));
    EXPECT_EQ(device_.renderStates[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(TRUE));
    EXPECT_EQ(device_.renderStates[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_FALSE));
    UINT first = device_.boundProgram;
    EXPECT_EQ(effect_->EndPass(), S_OK);

    ASSERT_EQ(effect_->BeginPass(1), S_OK);
    EXPECT_NE(device_.boundProgram, first) << "passes of other shaders have programs of their own";
    EXPECT_EQ(device_.renderStates[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(effect_->EndPass(), S_OK);

    ASSERT_EQ(effect_->End(), S_OK);
    EXPECT_EQ(device_.renderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(device_.renderStates[D3DRS_ALPHABLENDENABLE], static_cast<DWORD>(FALSE));
    EXPECT_EQ(device_.renderStates[D3DRS_ZENABLE], static_cast<DWORD>(D3DZB_FALSE));
    EXPECT_EQ(device_.boundProgram, 0u);
}

TEST_F(EffectState, DoNotSaveStateLeavesThePassStatesInPlace) {
    ASSERT_EQ(effect_->Begin(nullptr, D3DXFX_DONOTSAVESTATE), S_OK);
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_EQ(effect_->EndPass(), S_OK);
    EXPECT_EQ(effect_->End(), S_OK);
    EXPECT_EQ(device_.renderStates[D3DRS_CULLMODE], static_cast<DWORD>(D3DCULL_CW));
}

TEST_F(EffectState, CallsOutOfOrderOrRangeFail) {
    EXPECT_NE(effect_->BeginPass(0), S_OK) << "before Begin";
    EXPECT_NE(effect_->End(), S_OK) << "before Begin";
    ASSERT_EQ(effect_->Begin(nullptr, 0), S_OK);
    EXPECT_NE(effect_->Begin(nullptr, 0), S_OK) << "nested Begin";
    EXPECT_NE(effect_->BeginPass(2), S_OK);
    EXPECT_NE(effect_->BeginPass(0xFFFFFFFFu), S_OK);
    EXPECT_EQ(device_.log.Count("SetShaderProgram"), 0);
    EXPECT_NE(effect_->EndPass(), S_OK) << "no pass begun";
    ASSERT_EQ(effect_->BeginPass(0), S_OK);
    EXPECT_NE(effect_->BeginPass(1), S_OK) << "pass already begun";
    EXPECT_EQ(effect_->EndPass(), S_OK);
    EXPECT_EQ(effect_->End(), S_OK);
    // Usable again after End: the program runs this every frame.
    EXPECT_EQ(effect_->Begin(nullptr, 0), S_OK);
    EXPECT_EQ(effect_->End(), S_OK);
}

TEST_F(EffectState, ReleaseDeletesEachProgramOnceAndLetsGoOfTheDevice) {
    EXPECT_EQ(device_.liveProgramCount, 2);
    EXPECT_EQ(device_.refs, 2u) << "the effect holds a reference to its device";
    EXPECT_EQ(effect_->AddRef(), 2u);
    EXPECT_EQ(effect_->Release(), 1u);
    EXPECT_EQ(device_.log.Count("DeleteShaderProgram"), 0);
    EXPECT_EQ(effect_->Release(), 0u);
    effect_ = nullptr;
    EXPECT_EQ(device_.log.Count("DeleteShaderProgram"), 2);
    EXPECT_EQ(device_.liveProgramCount, 0);
    EXPECT_EQ(device_.refs, 1u);
}

TEST(EffectStateLoad, FailedLoadDeletesTheProgramsOfEarlierPasses) {
    RecordingDevice device;
    testing_support::TempFolder temp;
    ASSERT_TRUE(temp.Make("effect_state"));
    fs::path path = temp.Path() / "second_pass_broken.fx";
    std::string text = kTwoPasses;
    // Pass B names a pixel entry point that does not exist.
    const size_t at = text.rfind("ps_main()");
    text = text.substr(0, at) + "ps_none()" + text.substr(at + 9);
    std::ofstream(path) << text;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_NE(D3DXCreateEffectFromFileA(&device, path.c_str(), nullptr, nullptr, 0, nullptr,
                                        &effect, &errors),
              S_OK);
    EXPECT_EQ(effect, nullptr);
    ASSERT_NE(errors, nullptr);
    std::string message = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_NE(message.find("(13,"), std::string::npos) << message;
    EXPECT_NE(message.find("error: entry point 'ps_none' not found (ps_none)"), std::string::npos)
        << message;
    errors->Release();
    // Every pass compiles before any is linked: one that does not compile
    // leaves nothing made on the device.
    EXPECT_EQ(device.log.Count("CreateShaderProgram"), 0);
    EXPECT_EQ(device.liveProgramCount, 0);
    EXPECT_EQ(device.refs, 1u);
}

}  // namespace
