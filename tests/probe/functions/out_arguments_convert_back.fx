// out and inout arguments convert back to the caller's type.
//? entry ps_3_0 main()
//? ps c0 = 2.75 -2.75 1.75 0
//? expect 2 -2 2 4
float4 v;
void give(out float r, float a) { r = a; }
void twice(inout int x) { x = x * 2; }
void four(out int x) { x = 4; }
float4 main() : COLOR0
{
    int a, b;
    give(a, v.x);
    give(b, v.y);
    float c = v.z;
    twice(c);
    float d;
    four(d);
    return float4(a, b, c, d);
}
