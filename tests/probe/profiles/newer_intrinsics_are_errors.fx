// Intrinsics of shader model 4 and later do not exist in shader models 2 and 3.
//? entry ps_3_0 main()
//? error 7 asuint
float4 v;
float4 main() : COLOR0
{
    return asuint(v.x);
}
