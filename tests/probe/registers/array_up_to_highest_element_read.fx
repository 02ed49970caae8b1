// An array indexed by constants uses registers up to the highest element
// read: arr[1] makes it two registers (c0-c1), v follows at c2.
//? entry ps_3_0 main()
//? ps c0 = 9 9 9 9  1 2 3 4  10 20 30 40
//? expect 11 22 33 44
float4 arr[4];
float4 v;
float4 main() : COLOR0
{
    return arr[1] + v;
}
