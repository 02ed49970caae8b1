// A pixel shader alone may read an array input: its first element is the
// quad's TEXCOORD0 (u = 0 at the centre of the first pixel).
//? entry ps_3_0 main()
//? size 2 1
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 0.5 0 0 1
float4 main(float4 t[2] : TEXCOORD0) : COLOR0
{
    return float4(t[0].x, t[0].y, 0, 1);
}
