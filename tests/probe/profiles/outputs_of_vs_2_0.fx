// vs_2_0 writes POSITION, PSIZE, FOG, COLOR0-1 and TEXCOORD0-7: NORMAL is an error.
//? entry vs_2_0 main()
//? error 4 NORMAL
float4 main(float4 p : POSITION, out float3 n : NORMAL) : POSITION
{
    n = p.xyz;
    return p;
}
