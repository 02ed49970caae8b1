// A typedef may declare several names at once, arrays among them: each
// name is the type, or an array of it where a size follows the name.
//? entry ps_3_0 main()
//? ps c0 = 0.5 0.25 1 2
//? expect 1.5 0.5 6 15
float4 v : register(c0);
typedef float4 Colour, Quad[2], Tint;
float4 main() : COLOR0
{
    Quad q = { 1, 1, 1, 1, 5, 6, 7, 8 };
    Colour c = v;
    Tint t = q[1] * c;
    return t - q[0];
}
