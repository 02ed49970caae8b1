// modf, frexp and sincos of ints, uints and halves: the value is converted
// to float, and what they write is converted to the out variable's type (a
// whole part or a cosine into an int truncates, an exponent into a uint).
//? entry ps_3_0 main()
//? ps c0 = 7 8 -3 0
//? ps c1 = 2.75 -2.75 0.5 5
//? expect 7.75 4 17.25 1.6875
int4 n : register(c0);
float4 v : register(c1);
float4 main() : COLOR0
{
    int whole;
    float f = modf(n.x, whole);        // 0, 7
    int e;
    float m = frexp(n.y, e);           // 0.5, 4
    uint ue;
    float m2 = frexp(v.x, ue);         // 0.6875, 2
    int2 w2;
    float2 f2 = modf(v.xy, w2);        // (0.75, -0.75), (2, -2)
    half s, c;
    sincos(n.w, s, c);                 // 0, 1
    int si, ci;
    sincos(v.z, si, ci);               // 0.479 -> 0, 0.878 -> 0
    uint u = (uint)v.w;
    uint uw;
    float uf = modf(u, uw);            // 0, 5
    return float4(f + whole + f2.x,
                  m * e + ue,
                  w2.x * 10 + w2.y + f2.y + uf,
                  s + c + si + ci + m2 + uw - 5);
}
