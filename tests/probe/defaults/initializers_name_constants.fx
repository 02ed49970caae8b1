// An initial value may name a static const, or a global declared before
// it (its initial value), swizzled or not; the value is converted to the
// named one's type first (bool -true holds true, int 3.5 holds 3).
//? entry ps_3_0 main()
//? expect 6 3 7 3
static const float K = 2;
static const float4 Base = float4(1, 2, 3, 4);
static const bool On = -true;
static const int Half = 3.5;
float g = K * 3;
float2 h = Base.yw / K;
bool lit = -On;
float later = g + 1;
int n = Half;
float4 main() : COLOR0
{
    return float4(g, h.x + h.y, lit ? later : 0, n);
}
