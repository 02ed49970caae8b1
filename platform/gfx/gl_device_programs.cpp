// The GL device: shader programs, their constants and the link thread
// (see gl_device.cpp).
#include "platform/gfx/gl_device_class.h"

namespace gldevice {

HRESULT GlDevice::SetConstants(std::array<float, D3D_SHADER_REGISTERS * 4>* block,
                               uint64_t* version, UINT start, const float* data, UINT count) {
    if (data == nullptr || start > D3D_SHADER_REGISTERS || count > D3D_SHADER_REGISTERS - start) {
        return D3DERR_INVALIDCALL;
    }
    float* target = block->data() + start * 4;
    size_t bytes = size_t{count} * 4 * sizeof(float);
    // Unchanged registers cost no upload at the next draw.
    if (std::memcmp(target, data, bytes) != 0) {
        std::memcpy(target, data, bytes);
        ++*version;
    }
    return S_OK;
}

HRESULT GlDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants(&vsConstants_, &vsVersion_, start, data, count);
}

HRESULT GlDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants(&psConstants_, &psVersion_, start, data, count);
}


// Compiles one stage; 0 and the compiler's log on failure.
GLuint CompileStage(GLenum stage, const char* stageName, const std::string& source,
                    std::string* log) {
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    GLint length = static_cast<GLint>(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    std::string info(static_cast<size_t>(std::max(logLength, 1)), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(info.size()), nullptr, info.data());
    info.resize(std::strlen(info.c_str()));
    if (log != nullptr) *log += std::string(stageName) + " shader failed to compile:\n" + info;
    glDeleteShader(shader);
    return 0;
}

// Location and size of a "vec4 NAME[N]" uniform; location -1 when absent.
void FindConstantArray(GLuint program, const char* name, GLint* location, GLint* count) {
    *location = -1;
    *count = 0;
    GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM, name);
    if (index == GL_INVALID_INDEX) {
        std::string element = std::string(name) + "[0]";
        index = glGetProgramResourceIndex(program, GL_UNIFORM, element.c_str());
    }
    if (index == GL_INVALID_INDEX) return;
    const GLenum props[] = {GL_LOCATION, GL_ARRAY_SIZE, GL_TYPE};
    GLint values[3] = {-1, 0, 0};
    glGetProgramResourceiv(program, GL_UNIFORM, index, 3, props, 3, nullptr, values);
    if (values[2] != GL_FLOAT_VEC4 || values[0] < 0) return;
    *location = values[0];
    *count = std::min<GLint>(values[1], platform::kConstantRegisters);
}

// The program made of two stages, on the current context; 0 with the
// compiler's or linker's log on failure.
GLuint CompileAndLink(const std::string& vertexGlsl, const std::string& pixelGlsl,
                      std::string* log) {
    GLuint vertex = CompileStage(GL_VERTEX_SHADER, "vertex", vertexGlsl, log);
    GLuint pixel = CompileStage(GL_FRAGMENT_SHADER, "pixel", pixelGlsl, log);
    if (vertex == 0 || pixel == 0) {
        glDeleteShader(vertex);
        glDeleteShader(pixel);
        return 0;
    }
    GLuint id = glCreateProgram();
    glAttachShader(id, vertex);
    glAttachShader(id, pixel);
    glLinkProgram(id);
    glDetachShader(id, vertex);
    glDetachShader(id, pixel);
    glDeleteShader(vertex);
    glDeleteShader(pixel);
    GLint ok = GL_FALSE;
    glGetProgramiv(id, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) return id;
    GLint logLength = 0;
    glGetProgramiv(id, GL_INFO_LOG_LENGTH, &logLength);
    std::string info(static_cast<size_t>(std::max(logLength, 1)), '\0');
    glGetProgramInfoLog(id, static_cast<GLsizei>(info.size()), nullptr, info.data());
    info.resize(std::strlen(info.c_str()));
    if (log != nullptr) *log += "shader program failed to link:\n" + info;
    glDeleteProgram(id);
    return 0;
}

HRESULT GlDevice::CreateShaderProgram(const std::string& vertexGlsl, const std::string& pixelGlsl,
                                      UINT* program, std::string* log) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = 0;
    if (log != nullptr) log->clear();
    MakeCurrent();
    GLuint id = CompileAndLink(vertexGlsl, pixelGlsl, log);
    return id != 0 ? Adopt(id, program) : E_FAIL;
}

HRESULT GlDevice::CreateShaderProgramWithin(int timeLimitMs, const std::string& vertexGlsl,
                                            const std::string& pixelGlsl, UINT* program,
                                            std::string* log) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = 0;
    if (log != nullptr) log->clear();
    MakeCurrent();
    if (!linkThread_.Started() && !linkThreadFailed_) {
        std::string error;
        if (!linkThread_.Start(window_, context_, &error)) {
            linkThreadFailed_ = true;
            std::fprintf(stderr,
                         "[gfx] no second GL context to link shaders on (%s); large shaders link "
                         "without a deadline\n",
                         error.c_str());
        }
    }
    if (timeLimitMs <= 0 || !linkThread_.Started()) {
        return CreateShaderProgram(vertexGlsl, pixelGlsl, program, log);
    }
    GLuint id = 0;
    std::string driverLog;
    switch (linkThread_.Link(vertexGlsl, pixelGlsl, timeLimitMs, &id, &driverLog)) {
        case LinkThread::Outcome::TimedOut:
            if (log != nullptr) *log = "the GL driver was still compiling and linking at the deadline";
            return D3DERR_WASSTILLDRAWING;
        case LinkThread::Outcome::Busy:
            if (log != nullptr) *log = "the GL driver is still busy with shaders abandoned earlier";
            return D3DERR_WASSTILLDRAWING;
        case LinkThread::Outcome::Done:
            break;
    }
    if (log != nullptr) *log = std::move(driverLog);
    MakeCurrent();
    return id != 0 ? Adopt(id, program) : E_FAIL;
}

HRESULT GlDevice::Adopt(GLuint id, UINT* program) {
    ShaderProgram created;
    created.id = id;
    FindConstantArray(id, platform::kVertexConstants, &created.vsLocation, &created.vsCount);
    FindConstantArray(id, platform::kPixelConstants, &created.psLocation, &created.psCount);
    created.targetLocation = glGetUniformLocation(id, platform::kTargetUniform);
    created.outputLocation = glGetUniformLocation(id, platform::kOutputUniform);
    // Growing the list moves its entries: keep the bound one by id.
    UINT boundId = boundProgram_ != nullptr ? boundProgram_->id : 0;
    programs_.push_back(created);
    boundProgram_ = FindProgram(boundId);
    *program = id;
    return S_OK;
}

ShaderProgram* GlDevice::FindProgram(UINT id) {
    if (id == 0) return nullptr;
    for (ShaderProgram& program : programs_) {
        if (program.id == id) return &program;
    }
    return nullptr;
}

HRESULT GlDevice::SetShaderProgram(UINT id) {
    ShaderProgram* program = FindProgram(id);
    if (id != 0 && program == nullptr) return D3DERR_INVALIDCALL;
    MakeCurrent();
    boundProgram_ = program;
    glUseProgram(program != nullptr ? program->id : 0);
    return S_OK;
}

void GlDevice::DeleteShaderProgram(UINT id) {
    ShaderProgram* program = FindProgram(id);
    if (program == nullptr) return;
    MakeCurrent();
    UINT boundId = boundProgram_ != nullptr ? boundProgram_->id : 0;
    if (boundId == id) {
        glUseProgram(0);
        boundId = 0;
    }
    glDeleteProgram(id);
    programs_.erase(programs_.begin() + (program - programs_.data()));
    boundProgram_ = FindProgram(boundId);
}

HRESULT GlDevice::GetShaderProgram(UINT* program) {
    if (program == nullptr) return D3DERR_INVALIDCALL;
    *program = boundProgram_ != nullptr ? boundProgram_->id : 0;
    return S_OK;
}

}  // namespace gldevice
