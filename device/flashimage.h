// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// One stretch of the adapter's flash to erase and write: the first length bytes of data go to address.
struct FlashRegion
{
    static constexpr int Capacity = 131072;

    quint32 address;
    quint32 length;
    char data[Capacity];
};

// What eraseFlash and write2Flash work on: up to 15 regions, unused ones all zero. Nearly 2 MiB, so it
// belongs on the heap: std::make_unique<FlashImage>() gives a zero-filled one.
struct FlashImage
{
    static constexpr int RegionCount = 15;

    FlashRegion regions[RegionCount];
    quint32 total; // the byte count write progress is measured against
};
