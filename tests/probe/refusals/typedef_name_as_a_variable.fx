// A typedef's name is a type: it cannot name a variable too.
//? entry ps_3_0 main()
//? error 7 'Weight' is a type
typedef float Weight;
float4 main() : COLOR0
{
    float Weight = 0.5;
    return Weight;
}
