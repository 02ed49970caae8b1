// A pixel shader's float3 or float2 colour fills the channels it has; the
// others read as a register starts, (0, 0, 0, 1): a float3 colour is opaque.
//? entry ps_2_0 main()
//? expect 0.25 0.5 0.75 1
float3 main() : COLOR0
{
    return float3(0.25, 0.5, 0.75);
}
