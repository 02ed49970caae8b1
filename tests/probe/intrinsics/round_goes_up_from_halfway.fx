// round(x) is floor(x + 0.5) in shader models 2 and 3: halfway values go
// up (2.5 to 3, -2.5 to -2), computed or folded, in either profile.
//? entry ps_2_0 main()
//? ps c0 = 2.5 -2.5 0.5 -0.5
//? expect 3 -2 0 0
float4 v;
float4 main() : COLOR0
{
    float4 r = round(v);
    float4 folded = float4(round(2.5), round(-2.5), round(0.5), round(-0.5));
    return float4(r.xy, r.z - folded.z, r.w + folded.w) + float4(r.xy - folded.xy, round(float2(1.49, -1.51)) - float2(1, -2));
}
