// Constructors given exactly their type's components are taken: vectors
// and scalars in any mix, a matrix's elements in a vector, a vector's in a
// matrix, and a struct or array counting as its components.
//? entry ps_3_0 main()
//? ps c0 = 1 2 3 4
//? expect 10 6 5 7
float4 v : register(c0);
struct Pair { float a; float b; };
float4 main() : COLOR0
{
    float2x2 m = float2x2(v.xy, v.zw);
    float4 fromMatrix = float4(m);                 // 1 2 3 4
    float2x2 fromVector = float2x2(v);             // 1 2 / 3 4
    Pair p = { v.y, v.w };
    float3 mixed = float3(p, v.x);                 // 2 4 1
    float4 sum = float4(fromMatrix.x + fromMatrix.y + fromMatrix.z + fromMatrix.w,
                        fromVector[1].x + mixed.y - mixed.z,
                        float2(mixed.x, mixed.z).x + v.z,
                        v.w + fromVector[0][1] * 1.5);
    return sum;
}
