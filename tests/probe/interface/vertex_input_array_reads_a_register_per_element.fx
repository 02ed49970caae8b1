// A vertex input array takes a register per element: c[1] is COLOR1, which
// the stream does not carry (0, 0, 0, 1), not the slot after COLOR0's
// (TEXCOORD0), read at a literal index or in a loop; an int array's
// elements are converted from the stream's floats one by one.
//? entry vs_3_0 main()
//? expect 1 1 1 0
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
int n = 2;
VOut main(float4 p : POSITION, float4 c[2] : COLOR0, int4 k[2] : COLOR0)
{
    float4 s = 0;
    for (int i = 1; i < n; i++) s += c[i];
    VOut o;
    o.p = p;
    o.t = float4(c[0].x, k[0].y + k[1].x + c[1].x + s.y, c[1].w, s.x + k[1].z);
    return o;
}
