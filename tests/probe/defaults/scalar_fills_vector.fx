// A single value sets every component, and bools are 1 or 0.
//? entry ps_3_0 main()
//? expect 0.5 0.5 1 0
float4 v = 0.5;
bool t = true;
bool f = false;
float4 main() : COLOR0
{
    return float4(v.xy, t ? 1 : 0, f ? 1 : 0);
}
