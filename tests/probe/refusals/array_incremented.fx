// ++ and -- take a number, a vector or a matrix; an array's elements, not
// the array.
//? entry ps_3_0 main()
//? error 9 'a' is an array: it cannot be incremented or decremented
float4 main() : COLOR0
{
    float a[2] = {0.5, 0.25};
    a[0]++;
    a++;
    return float4(a[0], a[1], 0, 1);
}
