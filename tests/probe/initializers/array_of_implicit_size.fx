// An array declared without a size takes it from its initializer list.
//? entry ps_3_0 main()
//? expect 5 6 7 8
static const float4 table[] = { 1, 2, 3, 4, 5, 6, 7, 8 };
float4 main() : COLOR0
{
    float4 a[] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    return (a[1] + table[1]) * 0.5;
}
