<?xml version="1.0"?>
<Playlist displayName="Disc">
  <MediaAttributeList>
    <VideoAttributeItem index="1" codec="VC-1"/>
    <AudioAttributeItem index="1" codec="DD+" channels="6"/>
    <AudioAttributeItem index="2" codec="DTS"/>
    <SubpictureAttributeItem index="1" codec="2bitRLE"/>
  </MediaAttributeList>
  <TitleSet timeBase="60fps" tickBase="24fps">
    <Title displayName="Feature" titleDuration="01:30:00:00">
      <Clip src="file:///dvddisc/HVDVD_TS/FEATURE_1.MAP"/>
      <Video track="1" mediaAttr="1"/>
      <Video track="2" mediaAttr="1"/>
      <Audio track="1" streamNumber="3" mediaAttr="1" description="English"/>
      <Audio track="2" streamNumber="3" mediaAttr="2" description="Twice"/>
      <Audio track="3" streamNumber="1" mediaAttr="2" description="[Director]"/>
      <Subtitle track="1" streamNumber="2" mediaAttr="1" description="English"/>
      <Chapter titleTimeBegin="00:00:00:00" displayName="Intro"/>
      <Chapter titleTimeBegin="00:05:10:15" displayName="Middle"/>
      <Chapter titleTimeBegin="01:20:00:59" displayName="End"/>
    </Title>
  </TitleSet>
</Playlist>
