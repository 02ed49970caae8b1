// VPOS and VFACE are inputs of ps_3_0 only.
//? entry ps_2_0 main()
//? error 5 VPOS
struct In {
    float2 pos : VPOS;
};
float4 main(In i) : COLOR0
{
    return i.pos.x;
}
