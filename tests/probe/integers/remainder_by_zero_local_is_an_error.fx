// An integer % by a local that holds zero is an error too: the compiler folds it.
//? entry ps_3_0 main()
//? ps c0 = 5 0 0 0
//? error 9 modulus by zero
float4 v;
float4 main() : COLOR0
{
    int z = 0;
    int x = (int)v.x % z;
    return x;
}
