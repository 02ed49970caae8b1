// A float2 colour written through an output struct, under ps_3_0.
//? entry ps_3_0 main()
//? expect 0.25 0.5 0 1
struct Output
{
    float2 colour : COLOR0;
};
Output main()
{
    Output o;
    o.colour = float2(0.25, 0.5);
    return o;
}
