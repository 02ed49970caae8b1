// sign gives ints of every shape: of a float matrix an int matrix, which
// divided by an int truncates each element (-1 / 2 is 0), as sign of a
// vector does; divided by a float it stays a float.
//? entry ps_3_0 main()
//? ps c0 = -1.5 0.5 2 -0.25
//? expect 0 -0.25 0.25 0
float4 v : register(c0);
float4 main() : COLOR0
{
    float2x2 m = float2x2(v);
    float2x2 h = sign(m) / 2;
    float2x2 f = sign(m) / 4.0;
    return float4(h[0].x + h[1].y, f[1].y, f[1].x, (sign(v.xy) / 2).x);
}
