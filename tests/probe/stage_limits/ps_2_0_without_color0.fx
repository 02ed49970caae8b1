// A pixel shader before ps_3_0 writes COLOR0; depth alone is not enough.
//? entry ps_2_0 main()
//? error 4 must write COLOR0
float main(float2 t : TEXCOORD0) : DEPTH
{
    return t.x;
}
