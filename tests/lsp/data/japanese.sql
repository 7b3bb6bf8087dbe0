-- 社員の一覧
select 社員番号, 氏名, nvl(部署, '未定') 部署 from 社員 where 入社日 >= '2020-04-01' order by 社員番号;
-- 店舗
SELECT
        店名
FROM
        店舗 ;
select '𠮷野家の𩸽' as 店名, count(*) from 店舗 group by 店名; -- 🍣
