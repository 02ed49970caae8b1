// vs_1_1 has no loop instructions either: a while loop that ends on a
// uniform unrolls to the length of the local array its counter indexes.
//? entry vs_1_1 main()
//? vs c0 = 2 9 0 0
//? expect 0.5 0.75 0 1
float4 n : register(c0);
struct VOut { float4 p : POSITION; float4 t : TEXCOORD0; };
VOut main(float4 p : POSITION)
{
    float a[3] = {0.25, 0.5, 0.0};
    float4 s = float4(0, 0, 0, 1);
    int i = 0;
    while (i < n.x) {
        s.x += a[i] * 0.5;
        ++i;
    }
    int j = 0;
    while (j < n.y) {
        s.y += a[j];
        j++;
    }
    s.x += 0.125;
    VOut o;
    o.p = p;
    o.t = s;
    return o;
}
