// A compound assignment takes as many components of its right side as its
// left side has, with the warning an assignment gives.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? warning 11 implicit truncation
//? expect 0 0 3 3
float4 v : register(c0);
float4 main() : COLOR0
{
    float2 a = v.xy;
    a -= v;
    return float4(a, v.z, v.z);
}
