// A name means what the function, or block, that uses it declares: another
// function's parameter or local of that name and another type changes
// nothing (an int matrix still truncates, a cast of an array of structs
// still takes its components, a bool still negates to 0 or -1), nor does
// an assignment after else.
//? entry ps_3_0 main()
//? ps c0 = 0.5 1 0 0
//? expect 0 1 1 2
float4 v : register(c0);
struct P { float a; float b; };
float4 other(float4 m, float4 p, float b) { return m + p + b; }

float4 truncated()
{
    int2x2 m = int2x2(1, 2, 3, 4);
    m = m * v.x;
    return float4(m[0], m[1]);
}

float4 flattened()
{
    P p[2] = { 1, 2, 3, 4 };
    if (v.x > 1) p[0].a = 0; else p[1].b = 4;
    float f[4] = (float[4])p;
    return float4(f[0], f[1], f[2], f[3]) - float4(1, 1, 2, 2);
}

float4 negated()
{
    bool2 b = bool2(v.y > 0, v.y < 0);
    float4 r = float4(-b, 0, 0);
    {
        float b = 3;
        r.z = -b;
    }
    return r + float4(1, 0, 3, 0);
}

float4 main() : COLOR0
{
    return truncated() + flattened() - float4(0, 1, 1, 2) + negated() - float4(0, 0, 0, 0);
}
