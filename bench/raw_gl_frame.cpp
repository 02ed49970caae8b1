// The program's frame drawn by a minimal OpenGL 4.5 program with no layer in
// between: the same simulation, camera and vertices (the program's own
// functions), then plain GL calls where the program goes through its device
// and effect. The benchmarks run it next to the program's full frame; the
// difference between the two is what the layer costs.
//
// The shaders are the GLSL that `flowfield-fxcheck --glsl assets/main.fx`
// prints for main.fx (long lines wrapped), so both draw the same frame.
#include "bench/raw_gl_frame.h"

#include "app/frame.h"
#include "platform/crt/crt.h"
#include "render/camera.h"
#include "render/render_pass.h"
#include "render/vertex_stream.h"
#include "sim/particles.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

const char* const kVertexGlsl = R"glsl(#version 450

struct VS_INPUT
{
    vec3 position;
    vec4 diffuse;
    vec4 corner;
};

struct VS_OUTPUT
{
    vec4 position;
    vec4 color;
    vec2 quad;
};

uniform vec4 fx_target;
uniform vec4 vs_c[8];
layout(location = 0) in vec3 input_position;
layout(location = 1) in vec4 input_diffuse;
layout(location = 2) in vec4 input_corner;
layout(location = 0) out vec4 _entryPointOutput_color;
layout(location = 2) out vec4 _entryPointOutput_quad;

vec3 Palette(float t)
{
    vec3 ab = mix(vec3(1.0, 0.4199999868869781494140625,
        0.180000007152557373046875), vec3(0.949999988079071044921875,
        0.20000000298023223876953125, 0.75), vec3(smoothstep(0.0,
        0.3400000035762786865234375, t)));
    vec3 bc = mix(ab, vec3(0.20000000298023223876953125, 0.550000011920928955078125,
        1.0), vec3(smoothstep(0.3300000131130218505859375, 0.670000016689300537109375,
        t)));
    return mix(bc, vec3(1.0, 0.4199999868869781494140625,
        0.180000007152557373046875), vec3(smoothstep(0.660000026226043701171875, 1.0,
        t)));
}

VS_OUTPUT _vs_main(VS_INPUT _input)
{
    float index = floor((_input.diffuse.z * 255.0) + 0.5) + (floor((_input.diffuse.y
        * 255.0) + 0.5) * 256.0);
    float particle = floor(index / 6.0);
    float phase = fract(particle * 0.61803400516510009765625);
    float corner = _input.corner.x;
    vec2 offset = vec2(((corner - 2.0 * trunc(corner / 2.0)) * 2.0) - 1.0,
        (floor(corner * 0.5) * 2.0) - 1.0);
    float pulse = 1.0 + (0.25 * sin((vs_c[0].x * 1.7000000476837158203125) + (phase
        * 6.283185482025146484375)));
    float size = (0.0599999986588954925537109375 * pulse) * (0.75 + (0.5 * phase));
    vec3 world = _input.position + (((vs_c[1].xyz * offset.x) + (vs_c[2].xyz *
        offset.y)) * size);
    VS_OUTPUT _output;
    _output.position = mat4(vs_c[4], vs_c[5], vs_c[6], vs_c[7]) * vec4(world, 1.0);
    float t = fract(((_input.corner.y * 0.119999997317790985107421875) + (vs_c[0].x
        * 0.0199999995529651641845703125)) + (phase * 0.1500000059604644775390625));
    float brightness = 0.699999988079071044921875 * (0.699999988079071044921875 +
        (0.300000011920928955078125 * pulse));
    float param = t;
    _output.color = vec4(Palette(param) * brightness, 1.0);
    _output.quad = offset;
    return _output;
}

void main()
{
    VS_INPUT _input;
    _input.position = input_position;
    _input.diffuse = input_diffuse;
    _input.corner = input_corner;
    VS_INPUT param = _input;
    VS_OUTPUT flattenTemp = _vs_main(param);
    gl_Position = flattenTemp.position;
    _entryPointOutput_color = flattenTemp.color;
    _entryPointOutput_quad = vec4(flattenTemp.quad, 0.0, 0.0);
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    gl_Position.xy += vec2(fx_target.z, -fx_target.w) * gl_Position.w;
    gl_Position.y = -gl_Position.y;
})glsl";

const char* const kPixelGlsl = R"glsl(#version 450

uniform vec4 ps_c[8];
layout(location = 0) in vec4 color;
layout(location = 2) in vec4 quad;
layout(location = 0) out vec4 _entryPointOutput;

vec4 _ps_main(vec4 color_1, vec2 quad_1)
{
    float r2 = dot(quad_1, quad_1);
    float edge = clamp(1.0 - r2, 0.0, 1.0);
    float core = exp((-r2) * 9.0) * 1.0;
    float halo = (edge * edge) * 0.3499999940395355224609375;
    return vec4((color_1.xyz * (core + halo)) * edge, 1.0);
}

void main()
{
    vec4 color_1 = color;
    vec2 quad_1 = quad.xy;
    vec4 param = color_1;
    vec2 param_1 = quad_1;
    _entryPointOutput = _ps_main(param, param_1);
})glsl";

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr GLint kUploadedConstants = 8;  // vs_c[8] and ps_c[8] in the shaders above

GLuint CompileStage(GLenum stage, const char* source, std::string* error) {
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        *error = std::string("raw GL: shader does not compile: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

RawGlFrame::~RawGlFrame() { Stop(); }

bool RawGlFrame::Start(std::string* error) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *error = std::string("raw GL: ") + SDL_GetError();
        return false;
    }
    videoStarted_ = true;
    window_ = SDL_CreateWindow("raw", 0, 0, kWidth, kHeight,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        *error = std::string("raw GL: ") + SDL_GetError();
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr) {
        *error = std::string("raw GL: ") + SDL_GetError();
        return false;
    }
    SDL_GL_MakeCurrent(window_, context_);
    SDL_GL_SetSwapInterval(1);

    // Back buffer: colour and depth-stencil, drawn into, then blitted. The
    // plain state a GL programmer would use (RGBA8, every channel written,
    // no write mask): a state the device needs and this frame does not
    // shows up as the device's cost instead of being copied here.
    glCreateRenderbuffers(2, renderbuffers_);
    glNamedRenderbufferStorage(renderbuffers_[0], GL_RGBA8, kWidth, kHeight);
    glNamedRenderbufferStorage(renderbuffers_[1], GL_DEPTH24_STENCIL8, kWidth, kHeight);
    glCreateFramebuffers(1, &framebuffer_);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                   renderbuffers_[0]);
    glNamedFramebufferRenderbuffer(framebuffer_, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                   renderbuffers_[1]);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, kWidth, kHeight);

    // The vertex buffer and its layout: position, diffuse bytes, four floats.
    glCreateBuffers(1, &buffer_);
    glNamedBufferStorage(buffer_, kVertexBufferBytes, nullptr, GL_DYNAMIC_STORAGE_BIT);
    glCreateVertexArrays(1, &vertexArray_);
    glVertexArrayVertexBuffer(vertexArray_, 0, buffer_, 0, sizeof(ParticleVertex));
    glVertexArrayAttribFormat(vertexArray_, 0, 3, GL_FLOAT, GL_FALSE, 0);
    glVertexArrayAttribFormat(vertexArray_, 1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 12);
    glVertexArrayAttribFormat(vertexArray_, 2, 4, GL_FLOAT, GL_FALSE, 16);
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        glVertexArrayAttribBinding(vertexArray_, attribute, 0);
        glEnableVertexArrayAttrib(vertexArray_, attribute);
    }
    glBindVertexArray(vertexArray_);
    vertices_ = static_cast<ParticleVertex*>(
        ::operator new(kVertexBufferBytes, std::align_val_t{64}));

    GLuint vertex = CompileStage(GL_VERTEX_SHADER, kVertexGlsl, error);
    GLuint pixel = vertex != 0 ? CompileStage(GL_FRAGMENT_SHADER, kPixelGlsl, error) : 0;
    if (pixel == 0) {
        glDeleteShader(vertex);
        return false;
    }
    program_ = glCreateProgram();
    glAttachShader(program_, vertex);
    glAttachShader(program_, pixel);
    glLinkProgram(program_);
    glDeleteShader(vertex);
    glDeleteShader(pixel);
    GLint linked = GL_FALSE;
    glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    vsConstants_ = glGetUniformLocation(program_, "vs_c");
    psConstants_ = glGetUniformLocation(program_, "ps_c");
    // The target's size for the half-pixel shift, set once as the device does.
    glProgramUniform4f(program_, glGetUniformLocation(program_, "fx_target"), kWidth, kHeight,
                       1.0f / kWidth, 1.0f / kHeight);
    if (linked != GL_TRUE || vsConstants_ < 0) {
        *error = "raw GL: the shaders do not link";
        return false;
    }

    // The scene's fixed states: no culling, no depth test.
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    return true;
}

void RawGlFrame::Run() {
    // The program's own work, in RunFrame's order (no keys to read).
    ++g_frameCounter;
    if (g_frameCounter > kCounterLimit) {
        g_particlesReady = 0;
        g_frameCounter = 0;
    }
    if (g_particlesReady == 0) SeedParticles();
    if (g_frameCounter % kModePeriod == 0) g_flowMode = 1 - g_flowMode;
    printf("counter = %d\n", g_frameCounter);
    StepParticles();
    if (g_frameCounter % kTargetPeriod == 0) {
        g_cameraTarget = &g_particles[crt::rand() % kParticleCount];
    }
    UpdateCamera();
    WriteParticleVertices(vertices_);

    // Upload, clear, one additive draw, blit and swap.
    glInvalidateBufferData(buffer_);
    glNamedBufferSubData(buffer_, 0, kVertexBufferBytes, vertices_);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_BLEND);
    glClearColor(((kClearColor >> 16) & 0xFF) / 255.0f, ((kClearColor >> 8) & 0xFF) / 255.0f,
                 (kClearColor & 0xFF) / 255.0f, ((kClearColor >> 24) & 0xFF) / 255.0f);
    glClearDepthf(1.0f);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glUseProgram(program_);
    glProgramUniform4fv(program_, vsConstants_, kUploadedConstants, &g_constants.c[0][0]);
    if (psConstants_ >= 0) {
        glProgramUniform4fv(program_, psConstants_, kUploadedConstants, &g_constants.c[0][0]);
    }
    g_constants.c[0][0] += kTimeStep;
    glDrawArrays(GL_TRIANGLES, 0, kVertexCount);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitNamedFramebuffer(framebuffer_, 0, 0, 0, kWidth, kHeight, 0, 0, width, height,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

void RawGlFrame::MakeCurrent() { SDL_GL_MakeCurrent(window_, context_); }

void RawGlFrame::ReadPixels(std::vector<uint32_t>* argbTopDown) {
    argbTopDown->resize(size_t{kWidth} * kHeight);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 argbTopDown->data());
    for (int row = 0; row < kHeight / 2; ++row) {
        std::swap_ranges(argbTopDown->begin() + row * kWidth,
                         argbTopDown->begin() + (row + 1) * kWidth,
                         argbTopDown->begin() + (kHeight - 1 - row) * kWidth);
    }
}

void RawGlFrame::Stop() {
    if (context_ != nullptr) {
        SDL_GL_MakeCurrent(window_, context_);
        glDeleteProgram(program_);
        glDeleteVertexArrays(1, &vertexArray_);
        glDeleteBuffers(1, &buffer_);
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(2, renderbuffers_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }
    if (vertices_ != nullptr) {
        ::operator delete(vertices_, std::align_val_t{64});
        vertices_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted_ = false;
    }
}
