// precise and export are accepted.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 3 5 7 9
float4 v : register(c0);
export float4 twice_plus_one(float4 a) { return a * 2 + 1; }
float4 main() : COLOR0
{
    precise float4 r = twice_plus_one(v);
    return r;
}
