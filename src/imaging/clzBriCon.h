// Colour arithmetic on the Pixel record: building and splitting colours, grey values, lightening
// and darkening, seven blend modes and their weighted mixes, contrast, a brightness pass over a
// host picture, and the shell's properties sheet of a file. Components are 16-bit integers; any
// sum, difference or rounded real that leaves that range raises runtime error 6 (overflow).
#pragma once
#include "frame/Dispatch.h"
#include "frame/Interfaces.h"

namespace wx {

class clzBriCon : public Dispatchable<_clzBriCon> {
public:
    clzBriCon();

    STDMETHODIMP NewPixel(short inRed, short inGreen, short inBlue, Pixel* result) override;
    STDMETHODIMP PixToLong(Pixel* inPix, LONG* result) override;
    STDMETHODIMP LongToPix(LONG inCol, Pixel* result) override;
    STDMETHODIMP GreyscalePix(short inVal, Pixel* result) override;
    STDMETHODIMP InvertPix(Pixel* inPix, Pixel* result) override;
    STDMETHODIMP SameCol(Pixel* inPixA, Pixel* inPixB, VARIANT_BOOL* result) override;
    STDMETHODIMP GetGreyPix(Pixel* inPix, short* result) override;
    STDMETHODIMP LightenPix(Pixel* inCol, short inAmt, Pixel* result) override;
    STDMETHODIMP DarkenPix(Pixel* inCol, short inAmt, Pixel* result) override;
    STDMETHODIMP TransPix(Pixel* PixA, Pixel* PixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransAddPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransSubPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransLightPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransDarkPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransDiffPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransScrnPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP TransExclPix(Pixel* inPixA, Pixel* inPixB, float inAmt, Pixel* result) override;
    STDMETHODIMP BlendAdd(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendSub(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendLight(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendDark(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendDiff(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendScrn(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP BlendExcl(Pixel* inPixA, Pixel* inPixB, Pixel* result) override;
    STDMETHODIMP LinearB(short inValA, short inValB, float inPos, short* result) override;
    STDMETHODIMP CheckHighByte(short inVal, short* result) override;
    STDMETHODIMP CheckLowByte(short inVal, short* result) override;
    STDMETHODIMP CheckByte(short inVal, short* result) override;
    STDMETHODIMP MaxB(short inValA, short inValB, short* result) override;
    STDMETHODIMP MinB(short inValA, short inValB, short* result) override;
    STDMETHODIMP ShowProps(BSTR FileName, LONG OwnerhWnd) override;
    STDMETHODIMP Contrast(Pixel* pix, short iAmnt, Pixel* result) override;
    STDMETHODIMP Bright(short val, IDispatch* oPic) override;
};

}  // namespace wx
