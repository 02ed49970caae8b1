// Indexed by a value known only at run time, the whole array takes
// registers (c0-c2), and v follows at c3.
//? entry ps_3_0 main()
//? ps c0 = 1 0 0 0  2 0 0 0  3 0 0 0  2 0 0 0
//? expect 3 0 0 0
float4 arr[3];
float4 v;
float4 main() : COLOR0
{
    return arr[(int)v.x];
}
