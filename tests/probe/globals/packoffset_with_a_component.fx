// packoffset(cN.y) places a scalar or vector from that component of cN:
// far at c0.y reads c0's y and z, near at c0.x shares the register with it,
// last at c1.w reads c1's w; pair at c2.z shares c2 with first, whose
// initial value at c2.x BeginPass still writes; register(c3.z) places a
// global from a component too.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4  5 6 7 8
//? expect at 0 0 = 1 2 3 8
//? expect at 2 0 = 7 0 9 1
float first : register(c2) = 7;
float single : register(c3.z) = 9;
cbuffer B
{
    float2 far : packoffset(c0.y);
    float near : packoffset(c0.x);
    float last : packoffset(c1.w);
    float2 pair : packoffset(c2.z);
};
float4 main(float2 uv : TEXCOORD0) : COLOR0
{
    return uv.x > 0.4 && uv.y < 0.1 ? float4(first, pair.x, single, 1) : float4(near, far, last);
}
