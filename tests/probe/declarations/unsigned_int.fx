// "unsigned int" is uint in every shape: a parameter, a local, a vector,
// a matrix and a typedef of it.
//? entry ps_3_0 main()
//? expect 3 1.5 2 4
unsigned int u = 7;
typedef unsigned int2 pair;
float4 main() : COLOR0
{
    unsigned int h = u / 2;
    pair p = { 3, 4 };
    unsigned int2x2 m = { 1.5, 2.5, 3.5, 4.5 };
    return float4(h, p.x / 2.0, m[0].y, p.y);
}
