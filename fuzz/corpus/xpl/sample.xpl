<?xml version="1.0" encoding="UTF-8"?>
<!-- Playlist of the Klarvex sample disc: one trailer, then the feature in two files. -->
<Playlist xmlns="http://www.dvdforum.org/2005/HDDVDVideo/Playlist" majorVersion="1" minorVersion="0" displayName="Klarvex Sample Disc">
  <Configuration>
    <StreamingBuffer size="0"/>
    <Aperture size="1920x1080"/>
  </Configuration>
  <MediaAttributeList>
    <VideoAttributeItem index="1" codec="VC-1" frameRate="24000/1001" sampleAspectRatio="16:9" horizontalResolution="1920" verticalResolution="1080"/>
    <VideoAttributeItem index="2" codec="AVC" frameRate="24000/1001" sampleAspectRatio="16:9"/>
    <AudioAttributeItem index="1" codec="DD+" sampleFrequency="48" channels="6"/>
    <AudioAttributeItem index="2" codec="DD" sampleFrequency="48" channels="6"/>
    <AudioAttributeItem index="3" codec="DTS" sampleFrequency="48" channels="6"/>
    <AudioAttributeItem index="4" codec="TrueHD" sampleFrequency="48" channels="6"/>
    <AudioAttributeItem index="5" codec="LPCM" sampleFrequency="48" sampleDepth="16" channels="2"/>
    <SubpictureAttributeItem index="1" codec="2bitRLE"/>
    <SubpictureAttributeItem index="2" codec="8bitRLE"/>
  </MediaAttributeList>
  <TitleSet timeBase="60fps" tickBase="24fps" defaultLanguage="en">
    <Title id="TRAILER" titleNumber="1" type="Original" displayName="Trailer" titleDuration="00:00:30:00" onEnd="FEATURE">
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/TRAILER.MAP" titleTimeBegin="00:00:00:00" titleTimeEnd="00:00:30:00" dataSource="Disc">
        <Video track="1" mediaAttr="1"/>
        <Audio track="1" streamNumber="1" mediaAttr="2" langcode="en:00" description="English"/>
      </PrimaryAudioVideoClip>
    </Title>
    <Title id="FEATURE" titleNumber="2" type="Original" displayName="Sample Feature" titleDuration="00:00:08:00">
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_1.MAP" titleTimeBegin="00:00:00:00" titleTimeEnd="00:00:04:00" clipTimeBegin="00:00:00:00" dataSource="Disc">
        <Video track="1" mediaAttr="1" description="Main feature"/>
        <Video track="2" mediaAttr="2" description="Picture in picture"/>
        <Audio track="1" streamNumber="1" mediaAttr="1" langcode="en:00" description="English"/>
        <Audio track="2" streamNumber="2" mediaAttr="2" langcode="fr:00" description="Francais"/>
        <Audio track="3" streamNumber="3" mediaAttr="3" langcode="de:00" description="Deutsch"/>
        <Audio track="4" streamNumber="4" mediaAttr="4" langcode="en:00" description="English"/>
        <Audio track="5" streamNumber="5" mediaAttr="5" langcode="en:02" description="Commentary"/>
        <Subtitle track="1" streamNumber="1" mediaAttr="1" langcode="en:00" description="English"/>
        <Subtitle track="2" streamNumber="2" mediaAttr="2" langcode="fr:00" description="Francais"/>
      </PrimaryAudioVideoClip>
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_2.MAP" titleTimeBegin="00:00:04:00" titleTimeEnd="00:00:08:00" clipTimeBegin="00:00:00:00" dataSource="Disc">
        <Video track="1" mediaAttr="1" description="Main feature"/>
        <Video track="2" mediaAttr="2" description="Picture in picture"/>
        <Audio track="1" streamNumber="1" mediaAttr="1" langcode="en:00" description="English"/>
        <Audio track="2" streamNumber="2" mediaAttr="2" langcode="fr:00" description="Francais"/>
        <Audio track="3" streamNumber="3" mediaAttr="3" langcode="de:00" description="Deutsch"/>
        <Audio track="4" streamNumber="4" mediaAttr="4" langcode="en:00" description="English"/>
        <Audio track="5" streamNumber="5" mediaAttr="5" langcode="en:02" description="Commentary"/>
        <Subtitle track="1" streamNumber="1" mediaAttr="1" langcode="en:00" description="English"/>
        <Subtitle track="2" streamNumber="2" mediaAttr="2" langcode="fr:00" description="Francais"/>
      </PrimaryAudioVideoClip>
      <ChapterList>
        <Chapter titleTimeBegin="00:00:00:00" displayName="Opening"/>
        <Chapter titleTimeBegin="00:00:02:30" displayName="Harbour"/>
        <Chapter titleTimeBegin="00:00:04:00" displayName="Second reel"/>
        <Chapter titleTimeBegin="00:00:06:15" displayName="Closing"/>
      </ChapterList>
    </Title>
  </TitleSet>
</Playlist>
