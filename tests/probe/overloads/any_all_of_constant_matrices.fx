// any and all of a matrix read every element, of a constant one (which the
// compiler may fold) and of an int or bool matrix too.
//? entry ps_3_0 main()
//? ps c0 = 0.5 2 -3 4
//? expect 1 0 1 1
float4 v : register(c0);
static const float2x2 K = {0, 0, 0, 1};
float4 main() : COLOR0
{
    return float4(any(float2x2(0, 0, 0, 1)), all(bool2x2(1, 1, 0, 1)), any(K),
                  any(int2x2(0, 0, 0, v.y)) * all(int2x2(1, 1, 1, v.y)));
}
