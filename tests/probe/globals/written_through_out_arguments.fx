// A global given to an out or inout parameter of the effect's functions
// takes what the function writes, as an assignment would: the shader works
// on its own copy from there on (a whole global, a component, a member).
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? ps c1 = 3 0 0 0
//? ps c2 = 10 20 30 40
//? expect 13 6 40 10
float4 a : register(c0);
float b : register(c1);
float4 s : register(c2);
void Fill(out float4 v) { v = float4(5, 6, 7, 8); }
void Double(inout float x) { x = x * 2; }
void Double(inout float2 x) { x = x * 2; }
float4 main() : COLOR0
{
    Fill(a);
    Double(b);
    Double(s.y);
    return float4(a.x + a.w, b, s.y, s.x);
}
