// An assignment whose right side changes the left side's variables: the
// right side runs first, its side effects in order from left to right, and
// the store comes last (a compound assignment reads its left side after the
// right side ran); an indexed left side takes its index before.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0
//? expect 3 4 3 1
float4 v : register(c0);
float4 main() : COLOR0
{
    float a = v.x;
    a = a++ + a;           // 1, then a is 2: 1 + 2
    float x = v.y;
    x = (x = 2) + x;       // 2 + 2
    float c = v.x;
    c += c++;              // c++ gives 1 and c is 2: 2 + 1
    float4 arr = 0;
    int i = 1;
    arr[i] = i++;          // arr[1] = 1
    return float4(a, x, c, arr.y + arr.z * 10);
}
