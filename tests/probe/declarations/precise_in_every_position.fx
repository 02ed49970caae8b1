// precise may stand wherever a modifier may: before or after other
// modifiers, on globals, parameters, locals, struct members and return types.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 2 4 6 9
float4 v : register(c0);
static precise const float one = 1;
precise static const float two = 2;
struct Scaled { precise float4 value; row_major precise float2x2 m; };
precise float4 twice(precise float4 x) { return x * two; }
float4 add(in precise float4 a, precise in float4 b) { return a + b; }
void third(float4 x, out precise float4 r) { r = x * 3; }
float4 main() : COLOR0
{
    Scaled s;
    s.value = twice(v) * one;
    const precise float4 t = s.value;
    precise const float4 u = add(t, 0);
    float4 w;
    third(v, w);
    return float4(u.xy, w.y, u.w + 1);
}
