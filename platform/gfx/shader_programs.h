// The shader-program side of the graphics device (platform-internal: only
// platform/fx uses it; the program's device interface in gfx.h carries no
// shading language). The GL device implements it; tests' devices may.
//
// A program is one vertex and one pixel stage in GLSL 4.50 that follow
// platform/shader_conventions.h: vertex inputs at the stream's attribute
// slots, each stage's constants in "uniform vec4 vs_c[N]" / "ps_c[N]"
// (absent when the stage reads none), samplers bound to their texture stages.
#pragma once

#include <string>

#include "platform/gfx/gfx.h"

namespace platform {

class ShaderPrograms {
public:
    // Returns 0 and a program id (> 0), or non-zero with the compile / link
    // log in *log. The driver takes as long as it takes.
    virtual HRESULT CreateShaderProgram(const std::string& vertexGlsl,
                                        const std::string& pixelGlsl, UINT* program,
                                        std::string* log) = 0;
    // The same, returning within timeLimitMs: a compile or link the driver
    // has not finished by then is abandoned (the device deletes its program
    // once the driver is done) and the result is D3DERR_WASSTILLDRAWING
    // with the reason in *log. For shaders large enough that a driver may
    // take seconds. A device that cannot keep a deadline links in place.
    virtual HRESULT CreateShaderProgramWithin(int timeLimitMs, const std::string& vertexGlsl,
                                              const std::string& pixelGlsl, UINT* program,
                                              std::string* log) {
        (void)timeLimitMs;
        return CreateShaderProgram(vertexGlsl, pixelGlsl, program, log);
    }
    // Binds the program for the following draws (0: none; draws are skipped).
    virtual HRESULT SetShaderProgram(UINT program) = 0;
    virtual void DeleteShaderProgram(UINT program) = 0;
    // The program bound now (0: none), so that a caller can give it back.
    virtual HRESULT GetShaderProgram(UINT* program) = 0;

protected:
    ~ShaderPrograms() = default;
};

// The device's shader programs; nullptr for a device that has none.
inline ShaderPrograms* GetShaderPrograms(IDirect3DDevice9* device) {
    return dynamic_cast<ShaderPrograms*>(device);
}

}  // namespace platform
