// An int read only as a loop bound sits in an i register, which only the
// effect writes (with its initial value): the program's c registers do not
// reach it, and step, the first global in a c register, is at c0.
//? entry ps_3_0 main()
//? ps c0 = 0.25 0.25 0.25 0.25  10 10 10 10
//? expect 0.75 0.75 0.75 0.75
int count = 3;
float4 step;
float4 main() : COLOR0
{
    float4 sum = 0;
    for (int i = 0; i < count; i++)
        sum += step;
    return sum;
}
