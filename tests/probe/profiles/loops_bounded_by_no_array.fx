// A loop that ends on a uniform unrolls in ps_2_0 only when its counter
// indexes an array: here the array is indexed by another name, so nothing
// bounds the loop.
//? entry ps_2_0 main()
//? error 12 loop
float4 n : register(c0);
float w[4] : register(c1);
float4 main() : COLOR0
{
    float s = 0;
    int j = 1;
    for (int i = 0; i < n.x; i++)
        s += w[j];
    return s;
}
