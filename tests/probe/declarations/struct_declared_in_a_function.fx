// A struct declared inside a function is a type of it like a global one:
// variables of it, members, casts and lists fill it component by component,
// arrays of it, one declared with its variable, and one that hides a global
// struct of the same name.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 4 4 8 5
float4 v : register(c0);
struct S { float a; };
float Global() { S s = (S)v.w; return s.a; }
float4 main() : COLOR0
{
    struct S { float2 a; float b; };
    struct Pair { S s; float c; } p;
    p = (Pair)v;
    S list[2] = { 1, 2, 3, 4, 5, 6 };
    float3 flat = (float3)list[1];
    return float4(flat.x + p.c - 4, p.s.a.x + p.s.b, (float)p.s.a.y * flat.y / 2.5 * 2, Global() + 1);
}
