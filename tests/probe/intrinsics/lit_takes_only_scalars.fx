// lit takes three scalars: a vector argument is an error.
//? entry ps_3_0 main()
//? error 7 lit
float3 n;
float4 main() : COLOR0
{
    return lit(n, 0.5, 2);
}
