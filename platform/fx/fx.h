// The utility layer the program calls: matrix and vector functions and the
// effect compiler, under their D3DX 9 names.
//
// Implemented: [x] D3DXMatrixLookAtLH, D3DXMatrixPerspectiveFovLH (left-handed,
//                  row vectors, depth [0, 1]), D3DXMatrixMultiply (output may
//                  alias either input), D3DXVec3Normalize
//              [x] D3DXCreateEffectFromFileA: the HLSL compiler's preprocessor
//                  (macros anywhere, conditionals, #include from the effect
//                  file's folder) within one budget per load, effect
//                  framework syntax (techniques, passes, compile statements
//                  with constant arguments, render and sampler states,
//                  textures, strings, annotations), HLSL through glslang in a
//                  child process, GLSL from SPIRV-Cross; a pass without a
//                  vertex or pixel shader gets a fixed-function stand-in for
//                  that stage
//              [x] ID3DXEffect: Begin / BeginPass / EndPass / End with state
//                  saving; ID3DXBuffer with the compiler's text
//              [x] textures with a ResourceName annotation: the image file
//                  (PNG, JPEG, TGA, BMP, DDS) read from the effect file's
//                  folder, on its samplers' stages from BeginPass to End
//              [x] D3DXCreateFontA / ID3DXFont::DrawTextA: one built-in
//                  bitmap font (12 pixels a line, ASCII), left and top
//                  aligned, lines broken at line ends and with DT_WORDBREAK
//                  between words, clipped to the rectangle; the device
//                  states it changes are given back after each draw
//              [x] ID3DXEffect parameters and annotations: GetDesc,
//                  GetParameter(ByName), GetAnnotation(ByName),
//                  GetParameterDesc, GetValue, GetString, SetValue of
//                  scalars and vectors, CommitChanges
// Not implemented: SetValue of matrices and arrays, structs as parameters,
// parameter blocks, effect pools, the caller's
// include handler, macros passed by the caller, shader models above 3,
// textures set by the caller (a sampler without an image reads an opaque
// black stand-in), separate texture stages for vertex shaders (both shader
// stages share the 16); font faces, weights, widths and sprites (DrawTextA
// draws on its own).
#pragma once

#include "platform/gfx/gfx.h"

struct D3DXVECTOR3 {
    float x;
    float y;
    float z;
};

// Row-major 4 x 4, used with row vectors: p' = p * M.
struct D3DXMATRIX {
    float m[4][4];
};

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear,
                                       float zFar);
// out = m1 * m2; out may be the same object as m1 or m2.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
// A zero vector normalises to zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);

class ID3DXBuffer : public IUnknownObject {
public:
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

// Effect parameters and annotations are named by handles that the effect
// hands out (GetParameterByName, GetParameter, GetAnnotation...); a handle
// stays valid while the effect lives. Null names nothing.
using D3DXHANDLE = const char*;

enum D3DXPARAMETER_CLASS : uint32_t {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
    D3DXPC_STRUCT = 5,
};

enum D3DXPARAMETER_TYPE : uint32_t {
    D3DXPT_VOID = 0,
    D3DXPT_BOOL = 1,
    D3DXPT_INT = 2,
    D3DXPT_FLOAT = 3,
    D3DXPT_STRING = 4,
};

struct D3DXPARAMETER_DESC {
    const char* Name;
    const char* Semantic;  // null when it has none
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements;     // 0 unless an array
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;        // what GetValue / SetValue move: 4 a component
};

struct D3DXEFFECT_DESC {
    const char* Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

class ID3DXEffect : public IUnknownObject {
public:
    // >> parameters
    // The parameters are the effect's globals that are not static, of a
    // numeric type (float, half, double, int, uint, bool; scalars, vectors
    // and matrices, not arrays), in declaration order. Their annotations
    // ("< string UIName = "Size"; float UIMin = 0; >") come as parameters of
    // their own: type string, float, int or bool, read with GetValue or
    // GetString.
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* desc) = 0;
    // parent must be null (structs have no members here).
    virtual D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, const char* name) = 0;
    virtual D3DXHANDLE GetAnnotation(D3DXHANDLE object, UINT index) = 0;
    // The name as written, case and all.
    virtual D3DXHANDLE GetAnnotationByName(D3DXHANDLE object, const char* name) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) = 0;
    // bytes must be at least the parameter's Bytes; floats as floats, ints
    // and bools as 32-bit ints (a bool any value but 0 is true). SetValue
    // takes scalars and vectors (matrices, arrays and annotations are
    // refused with D3DERR_INVALIDCALL). A value set outside a pass reaches
    // the registers at the next BeginPass; inside one, at CommitChanges.
    virtual HRESULT SetValue(D3DXHANDLE parameter, const void* data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, void* data, UINT bytes) = 0;
    // A string annotation's text, valid while the effect lives.
    virtual HRESULT GetString(D3DXHANDLE parameter, const char** text) = 0;
    // Inside a pass: writes the registers of every parameter SetValue has
    // set since the effect was made, in each stage that reads it, wherever
    // that stage put it. (D3DX writes only those changed since the last
    // commit; here the program's own upload of c0-c63 in between would
    // otherwise hide a set parameter in those registers.) With none set it
    // writes nothing.
    virtual HRESULT CommitChanges() = 0;

    // >> techniques and passes
    // passes (may be null) receives the pass count of the current technique.
    // flags 0 saves the device states that the technique's passes change;
    // End restores them.
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
};

class ID3DXSprite;  // never defined: DrawTextA always draws by itself

// Draws text with the device. Text and layout are kept between calls: the
// same text, rectangle, format and colour as last time cost one draw and no
// layout.
class ID3DXFont : public IUnknownObject {
public:
    // count -1: the text ends at its NUL. format: DT_LEFT | DT_TOP, plus
    // DT_WORDBREAK to break lines between words that would pass rect's right
    // edge (a word longer than a line is broken where it no longer fits).
    // '\n' ends a line, '\r' is skipped, a tab is a space and other bytes
    // outside printable ASCII show as '?'. Nothing is drawn outside rect; the
    // first lines come first. Returns the height of the laid-out text in
    // pixels, 0 when nothing could be drawn.
    virtual int DrawTextA(ID3DXSprite* sprite, const char* text, int count, RECT* rect,
                          DWORD format, D3DCOLOR color) = 0;
};

constexpr DWORD DT_TOP = 0x0;
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_WORDBREAK = 0x10;

constexpr UINT FW_NORMAL = 400;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;

// The one built-in font, scaled by whole steps: height 12 (or less) draws
// its 12-pixel lines as they are, 24 doubles them, and so on. The other
// arguments are accepted and ignored. Makes nothing on the device until the
// first DrawTextA.
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, int height, UINT width, UINT weight,
                        UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                        DWORD quality, DWORD pitchAndFamily, const char* faceName,
                        ID3DXFont** font);

// A macro the host program defines for an effect: "#define Name Definition"
// before the file's first line. An array of them ends with an entry whose
// Name is null; a null Definition is an empty one.
struct D3DXMACRO {
    const char* Name;
    const char* Definition;
};

// Never defined: the program passes null for each.
class ID3DXInclude;
class ID3DXEffectPool;

constexpr DWORD D3DXFX_DONOTSAVESTATE = 0x1;

// Reads and compiles an effect file. On success returns 0 and the effect.
// On failure returns non-zero, no effect, and (where errors is not null) a
// buffer whose text has one line per problem: "FILE(LINE,COL): error: MESSAGE".
HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, const char* fileName,
                                  const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                  ID3DXEffectPool* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** errors);
