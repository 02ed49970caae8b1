// COLOR0 through a struct, with depth beside it.
//? entry ps_2_0 main()
//? expect 0.5 0.25 0 1
struct POut { float4 c : COLOR; float d : DEPTH; };
POut main()
{
    POut o;
    o.c = float4(0.5, 0.25, 0, 1);
    o.d = 0.5;
    return o;
}
