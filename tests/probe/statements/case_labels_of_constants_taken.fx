// Literals, static const globals and const locals, with arithmetic, are
// constant labels (another function's variable of the same name changes
// nothing).
//? entry ps_3_0 main()
//? ps c0 = 5 0 0 0
//? expect 0.5 0.25 0 1
static const int K = 3;
float4 k : register(c0);
float scaled(float K) { return K * 2; }
float4 main() : COLOR0
{
    const int L = 4;
    float a = 0;
    switch ((int)k.x) {
    case K: a = 1; break;
    case L + 1: a = 0.25; break;
    case 7: a = 2; break;
    default: break;
    }
    return float4(0.5, a, 0, 1);
}
