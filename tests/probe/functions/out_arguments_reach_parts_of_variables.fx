// An out or inout argument may be a component, an element or a member of a
// variable, or a variable of another type (converted back on return).
//? entry ps_3_0 main()
//? expect 0.25 0.5 2.125 7
struct S { float a; float2 b; };
void set(out float x, float v) { x = v; }
void twice(inout float2 x) { x *= 2; }
float4 main() : COLOR0
{
    float4 v = 0;
    float a[2] = { 0, 0 };
    S s;
    s.a = 0;
    s.b = 1;
    int n = 0;
    set(v.y, 0.25);
    set(a[1], 0.5);
    twice(s.b);
    set(s.a, 0.125);
    set(n, 7.9);
    return float4(v.y, a[1], s.b.x + s.a, n);
}
