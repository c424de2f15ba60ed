#pragma once

#include <QString>
#include <cstdint>

// The identifiers of the media framework: file types, codec types, audio formats,
// media types and the keys of output-settings dictionaries.
namespace media {

using FileType = QString;
using VideoCodecType = QString;
using MediaType = QString;
using FourCC = uint32_t;

// The four characters read as a big-endian 32-bit number.
constexpr FourCC fourcc(const char (&s)[5])
{
    return (FourCC(uint8_t(s[0])) << 24) | (FourCC(uint8_t(s[1])) << 16) |
           (FourCC(uint8_t(s[2])) << 8) | FourCC(uint8_t(s[3]));
}
QString fourcc_string(FourCC code);  // the four characters as they are

}  // namespace media

// File types.
inline constexpr char AVFileTypeQuickTimeMovie[] = "com.apple.quicktime-movie";
inline constexpr char AVFileTypeMPEG4[] = "public.mpeg-4";
inline constexpr char AVFileTypeAppleM4V[] = "com.apple.m4v-video";
inline constexpr char AVFileTypeAppleM4A[] = "com.apple.m4a-audio";
inline constexpr char AVFileType3GPP[] = "public.3gpp";
inline constexpr char AVFileType3GPP2[] = "public.3gpp2";
inline constexpr char AVFileTypeCoreAudioFormat[] = "com.apple.coreaudio-format";
inline constexpr char AVFileTypeWAVE[] = "com.microsoft.waveform-audio";
inline constexpr char AVFileTypeAIFF[] = "public.aiff-audio";
inline constexpr char AVFileTypeAIFC[] = "public.aifc-audio";
inline constexpr char AVFileTypeAMR[] = "org.3gpp.adaptive-multi-rate-audio";
inline constexpr char AVFileTypeMPEGLayer3[] = "public.mp3";
inline constexpr char AVFileTypeSunAU[] = "public.au-audio";
inline constexpr char AVFileTypeAC3[] = "public.ac3-audio";
inline constexpr char AVFileTypeEnhancedAC3[] = "public.enhanced-ac3-audio";
inline constexpr char AVFileTypeJPEG[] = "public.jpeg";
inline constexpr char AVFileTypeDNG[] = "com.adobe.raw-image";
inline constexpr char AVFileTypeHEIC[] = "public.heic";
inline constexpr char AVFileTypeAVCI[] = "public.avci";
inline constexpr char AVFileTypeHEIF[] = "public.heif";
inline constexpr char AVFileTypeTIFF[] = "public.tiff";
inline constexpr char AVFileTypeAppleiTT[] = "com.apple.itunes-timed-text";
inline constexpr char AVFileTypeSCC[] = "com.scenarist.closed-caption";
inline constexpr char AVFileTypeMFX[] = "mfx";

// Video codec types.
inline constexpr char AVVideoCodecTypeH264[] = "avc1";
inline constexpr char AVVideoCodecTypeHEVC[] = "hvc1";
inline constexpr char AVVideoCodecTypeHEVCWithAlpha[] = "muxa";
inline constexpr char AVVideoCodecTypeJPEG[] = "jpeg";
inline constexpr char AVVideoCodecTypeAppleProRes4444[] = "ap4h";
inline constexpr char AVVideoCodecTypeAppleProRes422[] = "apcn";
inline constexpr char AVVideoCodecTypeAppleProRes422HQ[] = "apch";
inline constexpr char AVVideoCodecTypeAppleProRes422LT[] = "apcs";
inline constexpr char AVVideoCodecTypeAppleProRes422Proxy[] = "apco";

// Audio formats (big-endian four-character codes).
inline constexpr media::FourCC kAudioFormatLinearPCM = media::fourcc("lpcm");
inline constexpr media::FourCC kAudioFormatAC3 = media::fourcc("ac-3");
inline constexpr media::FourCC kAudioFormatMPEG4AAC = media::fourcc("aac ");
inline constexpr media::FourCC kAudioFormatMPEGLayer3 = media::fourcc(".mp3");
inline constexpr media::FourCC kAudioFormatAppleLossless = media::fourcc("alac");

// Media types.
inline constexpr char AVMediaTypeVideo[] = "vide";
inline constexpr char AVMediaTypeAudio[] = "soun";
inline constexpr char AVMediaTypeTimecode[] = "tmcd";
inline constexpr char AVMediaTypeText[] = "text";
inline constexpr char AVMediaTypeSubtitle[] = "sbtl";
inline constexpr char AVMediaTypeClosedCaption[] = "clcp";
inline constexpr char AVMediaTypeMetadata[] = "meta";
inline constexpr char AVMediaTypeMuxed[] = "muxx";

// Timecode sample subtypes.
inline constexpr media::FourCC kCMTimeCodeFormatType_TimeCode32 = media::fourcc("tmcd");
inline constexpr media::FourCC kCMTimeCodeFormatType_TimeCode64 = media::fourcc("tc64");
// Timecode description flags.
inline constexpr uint32_t kCMTimeCodeFlag_DropFrame = 1;

// Pixel formats.
inline constexpr media::FourCC kCVPixelFormatType_32RGBA = media::fourcc("RGBA");  // 1380401729

// Video settings keys.
inline constexpr char AVVideoCodecKey[] = "AVVideoCodecKey";
inline constexpr char AVVideoWidthKey[] = "AVVideoWidthKey";
inline constexpr char AVVideoHeightKey[] = "AVVideoHeightKey";
inline constexpr char AVVideoScalingModeKey[] = "AVVideoScalingModeKey";
inline constexpr char AVVideoCompressionPropertiesKey[] = "AVVideoCompressionPropertiesKey";
inline constexpr char AVVideoAverageBitRateKey[] = "AVVideoAverageBitRateKey";
inline constexpr char AVVideoQualityKey[] = "AVVideoQualityKey";
inline constexpr char AVVideoMaxKeyFrameIntervalKey[] = "AVVideoMaxKeyFrameIntervalKey";
inline constexpr char AVVideoProfileLevelKey[] = "AVVideoProfileLevelKey";
inline constexpr char AVVideoExpectedSourceFrameRateKey[] = "AVVideoExpectedSourceFrameRateKey";
// Scaling modes.
inline constexpr char AVVideoScalingModeFit[] = "AVVideoScalingModeFit";
inline constexpr char AVVideoScalingModeResize[] = "AVVideoScalingModeResize";
inline constexpr char AVVideoScalingModeResizeAspect[] = "AVVideoScalingModeResizeAspect";
inline constexpr char AVVideoScalingModeResizeAspectFill[] = "AVVideoScalingModeResizeAspectFill";

// Audio settings keys.
inline constexpr char AVFormatIDKey[] = "AVFormatIDKey";
inline constexpr char AVSampleRateKey[] = "AVSampleRateKey";
inline constexpr char AVNumberOfChannelsKey[] = "AVNumberOfChannelsKey";
inline constexpr char AVEncoderBitRateKey[] = "AVEncoderBitRateKey";
inline constexpr char AVEncoderAudioQualityKey[] = "AVEncoderAudioQualityKey";
inline constexpr char AVLinearPCMBitDepthKey[] = "AVLinearPCMBitDepthKey";
inline constexpr char AVLinearPCMIsBigEndianKey[] = "AVLinearPCMIsBigEndianKey";
inline constexpr char AVLinearPCMIsFloatKey[] = "AVLinearPCMIsFloatKey";
inline constexpr char AVLinearPCMIsNonInterleaved[] = "AVLinearPCMIsNonInterleaved";
inline constexpr char AVChannelLayoutKey[] = "AVChannelLayoutKey";

// Pixel-buffer attribute keys.
inline constexpr char kCVPixelBufferPixelFormatTypeKey[] = "PixelFormatType";
inline constexpr char kCVPixelBufferWidthKey[] = "Width";
inline constexpr char kCVPixelBufferHeightKey[] = "Height";

// Export preset names.
inline constexpr char AVAssetExportPresetHighestQuality[] = "AVAssetExportPresetHighestQuality";
