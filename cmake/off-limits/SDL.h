// Shadows <SDL.h> for the program's own code (app/, render/, sim/); see the
// top CMakeLists.txt. SDL belongs to the platform layer.
#error "SDL is the platform layer's business: use platform/window/window.h"
