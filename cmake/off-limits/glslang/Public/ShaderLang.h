// Shadows <glslang/Public/ShaderLang.h> for the program's own code (app/, render/, sim/); see the
// top CMakeLists.txt. The shader compiler belongs to the platform layer.
#error "The shader compiler is the platform layer's business: use platform/fx/fx.h"
