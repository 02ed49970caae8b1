// VPOS is the pixel's place on screen, a pixel shader's input: no vertex
// shader writes it.
//? entry vs_3_0 main()
//? error 5 VPOS
void main(float4 p : POSITION, out float4 clip : POSITION, out float2 screen : VPOS)
{
    clip = p;
    screen = p.xy;
}
