float4 leaf;
