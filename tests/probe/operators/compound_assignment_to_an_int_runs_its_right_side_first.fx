// A compound assignment to an int whose right side writes the left side
// runs the right side first, then reads the left side and converts what it
// stores; an indexed left side takes its index before.
//? entry ps_3_0 main()
//? ps c0 = 1 0.5 0 0
//? expect 1 4 3 2
float4 v : register(c0);
float4 main() : COLOR0
{
    int i = (int)v.x;
    i *= (i++ * v.y);        // 1 * 0.5 and i is 2: 2 * 0.5
    int x = (int)v.x;
    x *= ++x;                // 2 * 2
    int k = (int)v.x;
    k = k++ + k++;           // 1 + 2
    int a[3] = { 0, 0, 0 };
    int j = 1;
    a[j] += j++ * 2.5;       // a[1] = 0 + 2.5
    return float4(i, x, k, a[1]);
}
