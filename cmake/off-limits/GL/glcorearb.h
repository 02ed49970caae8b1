// Shadows <GL/glcorearb.h> for the program's own code (app/, render/, sim/); see the
// top CMakeLists.txt. OpenGL belongs to the platform layer.
#error "OpenGL is the platform layer's business: use platform/gfx/gfx.h"
