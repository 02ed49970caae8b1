// Direct3D 9 samples pixels at whole-number screen coordinates: a quad over
// the whole target reads u = 0 at the centre of the first pixel and
// u = 3/4 at the last of four (v likewise, down the rows).
//? entry ps_3_0 main()
//? size 4 2
//? expect at 0 0 = 0 0 0 1
//? expect at 1 0 = 0.25 0 0 1
//? expect at 2 0 = 0.5 0 0 1
//? expect at 3 0 = 0.75 0 0 1
//? expect at 0 1 = 0 0.5 0 1
//? expect at 1 1 = 0.25 0.5 0 1
//? expect at 2 1 = 0.5 0.5 0 1
//? expect at 3 1 = 0.75 0.5 0 1
float4 main(float4 uv : TEXCOORD0) : COLOR0
{
    return uv;
}
