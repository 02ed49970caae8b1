// A global the shader writes to is still a parameter in its place: a at
// c0, the written b at c1, c at c2; its initial value comes along.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? ps c2 = 3 0 0 0
//? expect 1 2.5 3 0
float4 a;
float4 b = float4(2, 0, 0, 0);
float4 c;
float4 main() : COLOR0
{
    b.x = b.x + 0.5;
    return float4(a.x, b.x, c.x, 0);
}
