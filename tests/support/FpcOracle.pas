{ Peer for the form-file tests and benchmark: Free Pascal's own converters, run as a black box.
    fpcoracle t2b|b2t|r2t <in> <out>      convert one file
    fpcoracle batch <jobs>                each line of jobs: mode TAB in TAB out; a refused
                                          input leaves its message in out.err instead
    fpcoracle time-t2b <in> <iterations>  print seconds per text-to-binary conversion
  Exit code 2 and the message on stderr when the input is refused. }
program FpcOracle;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils, DateUtils;

procedure Convert(const Mode, InName, OutName: string);
var
  Input, Output: TMemoryStream;
begin
  // Memory streams: the converters read and write in small pieces.
  Input := TMemoryStream.Create;
  Output := TMemoryStream.Create;
  try
    Input.LoadFromFile(InName);
    if Mode = 't2b' then
      ObjectTextToBinary(Input, Output)
    else if Mode = 'b2t' then
      ObjectBinaryToText(Input, Output)
    else if Mode = 'r2t' then
      ObjectResourceToText(Input, Output)
    else
      raise Exception.Create('unknown mode ' + Mode);
    Output.SaveToFile(OutName);
  finally
    Output.Free;
    Input.Free;
  end;
end;

procedure TimeTextToBinary(const InName: string; Iterations: Integer);
var
  Source, Target: TMemoryStream;
  Started: TDateTime;
  I: Integer;
begin
  Source := TMemoryStream.Create;
  Target := TMemoryStream.Create;
  try
    Source.LoadFromFile(InName);
    Started := Now;
    for I := 1 to Iterations do
    begin
      Source.Position := 0;
      Target.Clear;
      ObjectTextToBinary(Source, Target);
    end;
    WriteLn(FloatToStr(MilliSecondsBetween(Now, Started) / 1000.0 / Iterations));
  finally
    Target.Free;
    Source.Free;
  end;
end;

procedure RunBatch(const JobsName: string);
var
  Jobs, Fields, Message: TStringList;
  I: Integer;
begin
  Jobs := TStringList.Create;
  Fields := TStringList.Create;
  Message := TStringList.Create;
  try
    Jobs.LoadFromFile(JobsName);
    Fields.Delimiter := #9;
    Fields.StrictDelimiter := True;
    for I := 0 to Jobs.Count - 1 do
    begin
      Fields.DelimitedText := Jobs[I];
      if Fields.Count < 3 then
        Continue;
      try
        Convert(Fields[0], Fields[1], Fields[2]);
      except
        on E: Exception do
        begin
          Message.Text := E.ClassName + ': ' + E.Message;
          Message.SaveToFile(Fields[2] + '.err');
        end;
      end;
    end;
  finally
    Message.Free;
    Fields.Free;
    Jobs.Free;
  end;
end;

begin
  try
    if ParamStr(1) = 'batch' then
      RunBatch(ParamStr(2))
    else if ParamStr(1) = 'time-t2b' then
      TimeTextToBinary(ParamStr(2), StrToInt(ParamStr(3)))
    else
      Convert(ParamStr(1), ParamStr(2), ParamStr(3));
  except
    on E: Exception do
    begin
      WriteLn(StdErr, E.ClassName, ': ', E.Message);
      Halt(2);
    end;
  end;
end.
