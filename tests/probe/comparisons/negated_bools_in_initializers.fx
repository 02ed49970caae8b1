// A minus before a bool in a global's initializer negates the number it
// holds, as in code: -true is -1, and a bool given -1 holds true (a static,
// a parameter's initial value in its registers, a static set from it).
//? entry ps_3_0 main()
//? expect 1 -1 1 0
static const bool k = -true;
static const float f = -true;
bool2 g = -bool2(true, false);
static bool x = -g.x;
float4 main() : COLOR0
{
    return float4(k, f, x && g.x, g.y);
}
