// Four independent chains of 20 scalar multiply-adds are 80 lanes of work
// but 20 instructions deep, packed four to one: ps_2_0 takes them.
//? entry ps_2_0 main()
//? expect 0.5 0.5 0.5 0.5
float4 main(float4 t : TEXCOORD0) : COLOR0
{
    float a = 0.5, b = 0.5, c = 0.5, d = 0.5;
    for (int i = 0; i < 20; i++) {
        a = a * t.w + t.z; b = b * t.w - t.z; c = c * t.w + t.z * 2; d = d * t.w - t.z * 2;
    }
    return float4(a, b, c, d);
}
