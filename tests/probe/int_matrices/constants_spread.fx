// A constant int or bool spread into an int or bool matrix (an
// initializer, a cast, an assignment) keeps its value. (A one-value
// constructor, int2x2(7), is refused as for every numeric type.)
//? entry ps_3_0 main()
//? size 2 1
//? expect at 0 0 = 0 7 -3 1
//? expect at 1 0 = 1 0 7 4
static const int K = 7;
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 a = 0;
    int2x2 b = (int2x2)7;
    int2x2 c = (int2x2)-3;
    bool2x2 d = 2;
    bool2x2 e = (bool2x2)false;
    int3x3 f;
    f = K;
    uint2x2 g = 4;
    if (p.x < 1) return float4(a[0].x, b[1].y, c._m10, d._m01);
    return float4(true, e[1].x, f._m22, g[1].y);
}
