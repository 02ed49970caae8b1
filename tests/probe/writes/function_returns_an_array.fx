// A function returns a value; an array (here through a typedef) is none.
//? entry ps_3_0 main()
//? error 5 'weights' returns an array ('Weights'): a function cannot return one
typedef float Weights[2];
Weights weights()
{
    Weights w = { 0.25, 0.75 };
    return w;
}
float4 main() : COLOR0
{
    return weights()[0];
}
