// A cbuffer's members are globals: the effect writes their initial values
// at BeginPass like any other's, in whichever form the buffer is written.
//? entry ps_3_0 main()
//? expect 0.25 0.5 3 1
cbuffer Look : register(b0)
{
    float2 scale = float2(0.25, 0.5);
    float gain = 3;
};
cbuffer Switches
{
    bool lit = true, dim = false;
}
float4 main() : COLOR0
{
    return float4(scale, gain, lit && !dim ? 1 : 0);
}
