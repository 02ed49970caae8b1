// A variable given to an out or inout parameter of another width or kind
// is converted on the way in and back, as assignments would: a float into
// an inout float2 goes in as (x, x) and takes back the first component, a
// float2 given an out float takes it in both, a float into an inout bool
// goes in as x != 0 and takes back 0 or 1, a swizzle takes its width.
//? entry ps_3_0 main()
//? ps c0 = 5 0.5 0 0
//? expect 6 1.5 0 7
float2 k : register(c0);
void grow(inout float2 v, float by) { v = v * by + float2(1, 2); }
float both(out float a, inout bool b) { a = 1.5; b = !b; return 3; }
float4 main() : COLOR0
{
    float x = k.y;
    float2 pair;
    float flag = k.x;
    float4 q = float4(0, 0, 0, 2);
    grow(x, 10);
    float r = both(pair, flag);
    grow(q.w, 1);
    return float4(x, pair.y, flag, q.w + r + 1);
}
