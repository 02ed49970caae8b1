// Every member of the struct an entry point returns needs a semantic.
//? entry vs_3_0 main()
//? error 8 semantic
struct Output
{
    float4 position : POSITION;
    float4 texcoord : TEXCOORD0;
    float4 extra;
};
Output main(float3 position : POSITION)
{
    Output o;
    o.position = float4(position, 1);
    o.texcoord = 0.5;
    o.extra = 1;
    return o;
}
