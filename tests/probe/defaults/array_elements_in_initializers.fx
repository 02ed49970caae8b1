// An initial value may read an element of an array declared before it: the
// element whole, of the array's type (a float2's two components, a one
// element array's float4), and a component or row of it after that.
//? entry ps_3_0 main()
//? size 2 1
//? expect at 0 0 = 3 4 1 0
//? expect at 1 0 = 8 5 6 2
static const float2 Pairs[2] = { 1, 2, 3, 4 };
static const float4 Colours[1] = { float4(1, 0, 0, 1) };
static const float2x2 Blocks[2] = { 1, 2, 3, 4, 5, 6, 7, 8 };
float2 second = Pairs[1];
float4 colour = Colours[0];
float last = Blocks[1][1].y + Pairs[1].y - 4;
float2 row = Blocks[1][0];
float single = Pairs[0][1];
float4 main(float2 p : VPOS) : COLOR0
{
    if (p.x == 0) return float4(second, colour.xy);
    return float4(last, row, single);
}
