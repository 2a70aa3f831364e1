// Failure texts of the media engine's steps, filled with the failure code.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace vt {

constexpr const char* kErrCreateGraph =
    "FAILED(hr=0x%x) in CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void "
    "**)&m_pGB)\n";
constexpr const char* kErrRenderFile = "FAILED(hr=0x%x) in m_pGB->RenderFile(wFile, NULL)\n";
constexpr const char* kErrMediaControl = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IMediaControl, (void **)&m_pMC)\n";
constexpr const char* kErrMediaEvent = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IMediaEventEx, (void **)&m_pME)\n";
constexpr const char* kErrMediaSeeking = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IMediaSeeking, (void **)&m_pMS)\n";
constexpr const char* kErrMediaPosition =
    "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IMediaPosition, (void **)&m_pMP)\n";
constexpr const char* kErrVideoWindow = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IVideoWindow, (void **)&m_pVW)\n";
constexpr const char* kErrBasicVideo = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IBasicVideo, (void **)&m_pBV)\n";
constexpr const char* kErrBasicAudio = "FAILED(hr=0x%x) in m_pGB->QueryInterface(IID_IBasicAudio, (void **)&m_pBA)\n";
constexpr const char* kErrNotifyWindow = "FAILED(hr=0x%x) in m_pME->SetNotifyWindow((OAHWND)m_hWnd, WM_GRAPHNOTIFY, 0)\n";
constexpr const char* kErrPutOwner = "FAILED(hr=0x%x) in m_pVW->put_Owner((OAHWND)m_hWnd)\n";
constexpr const char* kErrWindowStyle =
    "FAILED(hr=0x%x) in m_pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)\n";
constexpr const char* kErrWindowPosition =
    "FAILED(hr=0x%x) in m_pVW->SetWindowPosition(m_nVideoX, m_nVideoY, m_nVideoWidth, m_nVideoHeight)\n";
constexpr const char* kErrPutVolume = "FAILED(hr=0x%x) in m_pBA->put_Volume(m_lVolume)\n";
constexpr const char* kErrGetVisible = "Failed(%08lx) in m_pVW->get_Visible()!\r\n";
constexpr const char* kErrClipFileName = "GetClipFileName Failed!";

// The format filled with hr (at most 1023 characters kept).
std::string FormatErrorText(const char* format, HRESULT hr);

}  // namespace vt
