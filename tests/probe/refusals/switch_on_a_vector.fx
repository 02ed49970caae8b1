// A switch selects by one number.
//? entry ps_3_0 main()
//? error 7 a switch takes one int or uint; 'v' is a vector
int2 v;
float4 main() : COLOR0
{
    switch (v)
    {
        default: break;
    }
    return float4(0.5, 0.25, 0, 1);
}
