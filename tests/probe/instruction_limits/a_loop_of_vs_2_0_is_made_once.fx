// vs_2_0 has loop instructions: a loop of 300 turns need not unroll, and
// its body is made once, well within the 256 instructions vs_2_0 stores.
// k is 0, so each turn turns (1, 2, 3, 4) by one component: 300 turns
// leave it as it was.
//? entry vs_2_0 main()
//? expect 0.125 0.25 0.375 0.5
float4 k;
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
{
    float4 v = p * k + float4(1, 2, 3, 4);
    for (int i = 0; i < 300; i++)
        v = v * k + v.yzwx;
    VOut o; o.p = p; o.t = v / 8;
    return o;
}
