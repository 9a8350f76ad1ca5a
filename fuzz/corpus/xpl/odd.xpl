<!-- x --><?p?></A>>
<Title	src="FEATURE_1"/><Audio streamNumber="99" mediaAttr="0"/><Chapter titleTimeBegin="1:2" displayName=x/></Title><</