// Two vectors of different lengths meeting at an operator compute in the
// shorter one's components, with Direct3D 9's truncation warning.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 12 implicit truncation of vector type
//? expect 0 0 0 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float3 a = v.xyz;
    // (1, 2, 3) - (1, 2, 3, 4): the w of v is dropped.
    float3 d = a - v;
    return float4(d, 1);
}
