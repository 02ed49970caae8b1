// A parameter's default value may read a uniform: a call without the
// argument reads it there; a call with it does not.
//? entry ps_3_0 main()
//? ps c0 = 0.25 2 0 0
//? ps c1 = 3 4 5 6
//? expect 12.25 15.5 6 2
float4 v : register(c0);
float4 w : register(c1);
float pick(float a, float b = v.x, float4 c = w * v.y) { return a * b + c.w; }
float4 main() : COLOR0
{
    return float4(pick(1), pick(2, 1.75), pick(0, 0, 6), pick(4, 0.5, 0));
}
