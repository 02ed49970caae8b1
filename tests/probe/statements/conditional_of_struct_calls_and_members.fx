// A ?: chooses between structs of one type however each is written: a
// variable, a call returning the struct, a member of another struct.
//? entry ps_3_0 main()
//? ps c0 = 1 -1 0 0
//? expect 0.25 0.5 0.75 1
struct Tone { float v; };
struct Pair { Tone a; Tone b; };
float4 k;
Tone Make(float v) { Tone t = { v }; return t; }
float4 main() : COLOR0
{
    Pair p = { 0.75, 0.125 };
    Tone low = { 0.25 };
    Tone x = k.x > 0 ? low : Make(1);
    Tone y = k.y > 0 ? low : Make(0.5);
    Tone z = k.x > 0 ? p.a : low;
    return float4(x.v, y.v, z.v, 1);
}
