// A compound assignment to an int or bool matrix, a row or an element whose
// left side writes a variable or calls a function takes it once, before the
// right side, and truncates (ints) or makes 0 / 1 (bools) what it stores.
//? entry ps_3_0 main()
//? ps c0 = 0.5 1.5 2.5 3.75
//? expect at 0 0 = 2 3 9 1
//? expect at 1 0 = 3 2 1 0
//? size 2 1
float4 v : register(c0);
static int calls = 0;
int Next(int i) { calls += 1; return i; }
float4 main(float2 p : VPOS) : COLOR0
{
    int2x2 m[2] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    int i = 0;
    m[i++] += v.y;
    int2x2 n = 0;
    int j = 0;
    n[j++] += v.zw;
    n[Next(1)].y -= v.w;
    float ny = n[1].y;
    m[Next(1)] *= 1.5;
    bool2x2 b = 0;
    int k = 1;
    b[k--].x += v.x;
    if (p.x < 1) return float4(m[0][0].x, m[0]._m01, m[1][0].y, i);
    return float4(n[0].y, calls, b[1].x, k + b[0].x + ny + 3);
}
